#pragma once
// Device contexts: one obtained for a window (released to it), a borrowed
// one, the context of one WM_PAINT (ended), and a memory context (deleted).
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

// BeginPaint for a window, and EndPaint whatever way the handler leaves.
// The handle is null when BeginPaint failed.
class PaintDc : public Dc {
public:
    explicit PaintDc(HWND window) : Dc(nullptr), painted_(window) { dc_ = ::BeginPaint(window, &paint_); }
    ~PaintDc() override {
        ::EndPaint(painted_, &paint_);
        dc_ = nullptr;
    }

    const PAINTSTRUCT& paint() const { return paint_; }

private:
    HWND painted_;
    PAINTSTRUCT paint_ = {};
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
