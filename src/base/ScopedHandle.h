#pragma once
// Owners of system handles: one template, one traits struct per kind of
// handle. A handle value that means "none" is never closed.
#include <windows.h>
#include <io.h>
#include <shellapi.h>
#include <winhttp.h>  // not to be mixed with wininet.h, which no one here uses

#include <utility>

namespace kit {

template <typename Traits>
class ScopedHandle {
public:
    using Handle = typename Traits::Handle;

    ScopedHandle() = default;
    explicit ScopedHandle(Handle handle) : handle_(handle) {}
    ~ScopedHandle() { Reset(); }

    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    ScopedHandle(ScopedHandle&& other) noexcept : handle_(other.Release()) {}
    ScopedHandle& operator=(ScopedHandle&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }

    Handle Get() const { return handle_; }
    bool Valid() const { return Traits::IsValid(handle_); }
    explicit operator bool() const { return Valid(); }

    void Reset(Handle handle = Traits::None()) {
        if (Traits::IsValid(handle_)) Traits::Close(handle_);
        handle_ = handle;
    }
    Handle Release() { return std::exchange(handle_, Traits::None()); }

private:
    Handle handle_ = Traits::None();
};

// A handle that is null when there is none, given back with `close`.
template <typename H, auto close>
struct NullHandleTraits {
    using Handle = H;
    static Handle None() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { close(h); }
};

// A kernel-style handle: CreateFile and its kin fail with
// INVALID_HANDLE_VALUE, most others with null.
template <auto close>
struct KernelStyleHandleTraits {
    using Handle = HANDLE;
    static Handle None() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { close(h); }
};

using KernelHandleTraits = KernelStyleHandleTraits<&::CloseHandle>;
using FindHandleTraits = KernelStyleHandleTraits<&::FindClose>;
using RegistryKeyTraits = NullHandleTraits<HKEY, &::RegCloseKey>;
// A WinHTTP session, connection or request.
using WinHttpHandleTraits = NullHandleTraits<HINTERNET, &::WinHttpCloseHandle>;
// The files of a WM_DROPFILES message, given back with DragFinish.
using DropTraits = NullHandleTraits<HDROP, &::DragFinish>;
// Memory the system allocated with LocalAlloc for the caller (FormatMessageW).
using LocalMemoryTraits = NullHandleTraits<wchar_t*, &::LocalFree>;

// A C runtime descriptor, for libraries that take one; Release hands it to
// a stream that closes it itself.
struct CrtFileTraits {
    using Handle = int;
    static Handle None() { return -1; }
    static bool IsValid(Handle fd) { return fd >= 0; }
    static void Close(Handle fd) { ::_close(fd); }
};

using UniqueHandle = ScopedHandle<KernelHandleTraits>;
using UniqueFindHandle = ScopedHandle<FindHandleTraits>;
using UniqueRegistryKey = ScopedHandle<RegistryKeyTraits>;
using WinHttpHandle = ScopedHandle<WinHttpHandleTraits>;
using UniqueDrop = ScopedHandle<DropTraits>;
using UniqueCrtFd = ScopedHandle<CrtFileTraits>;
using UniqueLocalText = ScopedHandle<LocalMemoryTraits>;

}  // namespace kit
