#pragma once
// Owners of COM things: an interface pointer, a BSTR, a VARIANT, an
// exception record, memory from the COM allocator and the thread's COM
// initialisation. Each gives back what it holds in its destructor, so every
// path out of an automation call releases what it took.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <shtypes.h>

#include <string>
#include <utility>

#include "base/ScopedHandle.h"

namespace kit {

template <typename Interface>
class ComPtr {
public:
    ComPtr() = default;
    // Takes over a reference the caller already owns.
    explicit ComPtr(Interface* owned) : pointer_(owned) {}
    ~ComPtr() { Reset(); }

    ComPtr(const ComPtr& other) : pointer_(other.pointer_) {
        if (pointer_) pointer_->AddRef();
    }
    ComPtr& operator=(const ComPtr& other) {
        if (this != &other) {
            if (other.pointer_) other.pointer_->AddRef();
            Reset(other.pointer_);
        }
        return *this;
    }
    ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) Reset(std::exchange(other.pointer_, nullptr));
        return *this;
    }

    // Adds a reference of its own to a borrowed pointer.
    static ComPtr Share(Interface* borrowed) {
        if (borrowed) borrowed->AddRef();
        return ComPtr(borrowed);
    }

    Interface* Get() const { return pointer_; }
    Interface* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }

    // For out-parameters: drops the current reference first.
    Interface** Receive() {
        Reset();
        return &pointer_;
    }
    void** ReceiveVoid() { return reinterpret_cast<void**>(Receive()); }
    void Reset(Interface* owned = nullptr) {
        Interface* previous = std::exchange(pointer_, owned);
        if (previous) previous->Release();
    }

private:
    Interface* pointer_ = nullptr;
};

class ScopedBstr {
public:
    ScopedBstr() = default;
    explicit ScopedBstr(const std::wstring& text)
        : bstr_(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    ~ScopedBstr() { ::SysFreeString(bstr_); }
    ScopedBstr(const ScopedBstr&) = delete;
    ScopedBstr& operator=(const ScopedBstr&) = delete;

    BSTR Get() const { return bstr_; }

private:
    BSTR bstr_ = nullptr;
};

class ScopedVariant {
public:
    ScopedVariant() { ::VariantInit(&variant_); }
    ~ScopedVariant() { ::VariantClear(&variant_); }
    ScopedVariant(const ScopedVariant&) = delete;
    ScopedVariant& operator=(const ScopedVariant&) = delete;

    const VARIANT& Get() const { return variant_; }
    const VARIANT& operator*() const { return variant_; }
    // For out-parameters: clears the current value first.
    VARIANT* Receive() {
        ::VariantClear(&variant_);
        return &variant_;
    }

private:
    VARIANT variant_;
};

// The record IDispatch::Invoke fills on DISP_E_EXCEPTION; its strings are
// the caller's to free.
class ScopedExceptionInfo {
public:
    ScopedExceptionInfo() = default;
    ~ScopedExceptionInfo() { Clear(); }
    ScopedExceptionInfo(const ScopedExceptionInfo&) = delete;
    ScopedExceptionInfo& operator=(const ScopedExceptionInfo&) = delete;

    const EXCEPINFO* operator->() const { return &info_; }
    // For out-parameters: frees the current strings first.
    EXCEPINFO* Receive() {
        Clear();
        return &info_;
    }

private:
    void Clear() {
        ::SysFreeString(info_.bstrSource);
        ::SysFreeString(info_.bstrDescription);
        ::SysFreeString(info_.bstrHelpFile);
        info_ = EXCEPINFO{};
    }

    EXCEPINFO info_{};
};

// A block from the COM task allocator (CoTaskMemAlloc), such as the item
// list a shell folder picker returns.
template <typename Pointer>
using CoTaskMemoryTraits = NullHandleTraits<Pointer, &::CoTaskMemFree>;

using UniqueItemIdList = ScopedHandle<CoTaskMemoryTraits<PIDLIST_ABSOLUTE>>;

// CoInitialize for the lifetime of the object, undone only when it succeeded.
class ComInitialization {
public:
    ComInitialization() : initialized_(SUCCEEDED(::CoInitialize(nullptr))) {}
    ~ComInitialization() {
        if (initialized_) ::CoUninitialize();
    }
    ComInitialization(const ComInitialization&) = delete;
    ComInitialization& operator=(const ComInitialization&) = delete;

private:
    bool initialized_;
};

}  // namespace kit
