#pragma once
// Owners of kernel handles. A handle value that means "none" is never closed.
#include <windows.h>

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

struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle None() { return INVALID_HANDLE_VALUE; }
    // CreateFile fails with INVALID_HANDLE_VALUE, most others with NULL.
    static bool IsValid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { ::CloseHandle(h); }
};

struct FindHandleTraits {
    using Handle = HANDLE;
    static Handle None() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { ::FindClose(h); }
};

using UniqueHandle = ScopedHandle<KernelHandleTraits>;
using UniqueFindHandle = ScopedHandle<FindHandleTraits>;

}  // namespace kit
