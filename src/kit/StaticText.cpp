#include "kit/StaticText.h"

#include "kit/Dc.h"
#include "kit/Letterbox.h"

namespace kit {

namespace {

// Ends the paint whatever way the handler leaves.
class PaintScope {
public:
    explicit PaintScope(HWND hwnd) : hwnd_(hwnd) { dc_ = ::BeginPaint(hwnd, &paint_); }
    ~PaintScope() { ::EndPaint(hwnd_, &paint_); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    HDC dc() const { return dc_; }

private:
    HWND hwnd_;
    PAINTSTRUCT paint_ = {};
    HDC dc_ = nullptr;
};

}  // namespace

void StaticText::SetImage(const boost::shared_ptr<Image>& image) {
    image_ = image;
    if (!background_) background_ = Brush::CreateSolid(::GetSysColor(COLOR_BTNFACE));
    Subclass();
    ::InvalidateRect(handle_, nullptr, FALSE);
}

void StaticText::ClearImage() {
    image_.reset();
    Subclass();
    ::InvalidateRect(handle_, nullptr, FALSE);
}

LRESULT StaticText::OnPaint(WPARAM wParam, LPARAM lParam) {
    PaintScope paint(handle_);
    if (!paint.dc()) return 0;
    boost::shared_ptr<Dc> dc(new Dc(paint.dc()));
    RECT client = {};
    ::GetClientRect(handle_, &client);
    RECT fitted;
    // A picture without width or height would divide by zero: background instead.
    if (image_ && FitLetterbox(client, image_->width(), image_->height(), fitted)) {
        image_->Draw(dc, fitted);
    } else if (background_) {
        ::FillRect(paint.dc(), &client, background_->handle());
    }
    return 0;
}

}  // namespace kit
