#include "kit/Image.h"

#include "kit/Window.h"

namespace kit {

boost::shared_ptr<Image> Image::FromResource(int id) {
    HANDLE loaded = ::LoadImageW(Instance(), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR);
    if (!loaded) return boost::shared_ptr<Image>();
    boost::shared_ptr<Image> image(new Image());
    image->bitmap_.Reset(loaded);
    return image;
}

void Image::Draw(const boost::shared_ptr<Dc>& destination, const RECT& destinationRect, const RECT* source) {
    if (!destination || !destination->handle() || !bitmap_) return;
    HDC target = destination->handle();
    if (!memoryDc_) {
        boost::shared_ptr<MemoryDc> memory(new MemoryDc(target));
        if (!memory->handle()) return;
        memoryDc_ = memory;
        selection_.reset(new ScopedSelectObject(memoryDc_->handle(), bitmap_.Get()));
        if (width_ == 0 || height_ == 0) {
            BITMAP record = {};
            if (::GetObjectW(bitmap_.Get(), sizeof(record), &record)) {
                width_ = record.bmWidth;
                height_ = record.bmHeight;
            }
        }
    }
    ::SetStretchBltMode(target, HALFTONE);
    ::SetBrushOrgEx(target, 0, 0, nullptr);
    const RECT whole = {0, 0, width_, height_};
    const RECT& from = source ? *source : whole;
    ::StretchBlt(target, destinationRect.left, destinationRect.top, destinationRect.right - destinationRect.left,
                 destinationRect.bottom - destinationRect.top, memoryDc_->handle(), from.left, from.top,
                 from.right - from.left, from.bottom - from.top, SRCCOPY);
}

}  // namespace kit
