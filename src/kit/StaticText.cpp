#include "kit/StaticText.h"

#include "kit/Dc.h"
#include "kit/Letterbox.h"

namespace kit {

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
    const boost::shared_ptr<PaintDc> dc(new PaintDc(handle_));
    if (!dc->handle()) return 0;
    RECT client = {};
    ::GetClientRect(handle_, &client);
    RECT fitted;
    // A picture without width or height would divide by zero: background instead.
    if (image_ && FitLetterbox(client, image_->width(), image_->height(), fitted)) {
        image_->Draw(dc, fitted);
    } else if (background_) {
        ::FillRect(dc->handle(), &client, background_->handle());
    }
    return 0;
}

}  // namespace kit
