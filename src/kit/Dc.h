#pragma once
// Device contexts: one obtained for a window (released to it), one from
// BeginPaint (borrowed), and a memory context (deleted).
#include <windows.h>

#include <boost/noncopyable.hpp>

namespace kit {

class Dc : private boost::noncopyable {
public:
    // `window` is the owner for ReleaseDC; null when the context is borrowed.
    explicit Dc(HDC dc, HWND window = nullptr) : dc_(dc), window_(window) {}
    virtual ~Dc() {
        if (dc_ && window_) ::ReleaseDC(window_, dc_);
    }

    HDC handle() const { return dc_; }
    HWND window() const { return window_; }

protected:
    HDC dc_;
    HWND window_;
};

class MemoryDc : public Dc {
public:
    // A memory context like `reference` (the screen when null).
    explicit MemoryDc(HDC reference) : Dc(::CreateCompatibleDC(reference)) {}
    ~MemoryDc() override {
        if (dc_) ::DeleteDC(dc_);
        dc_ = nullptr;
    }
};

}  // namespace kit
