#pragma once
// A picture ready for drawing: a DIB section (or a bitmap resource) that is
// drawn through a memory context made at the first draw.
#include <windows.h>

#include <cstdint>

#include <boost/noncopyable.hpp>
#include <boost/shared_ptr.hpp>

#include "kit/Dc.h"

namespace kit {

class Bitmap;

class Image : private boost::noncopyable {
public:
    Image() = default;
    ~Image();

    // A DIB section holding a copy of the bitmap's pixels; empty on failure.
    static boost::shared_ptr<Image> Create(const boost::shared_ptr<Bitmap>& bitmap);
    // A bitmap resource of the program; width and height stay 0 until the
    // first draw reads them. Empty when it cannot be loaded.
    static boost::shared_ptr<Image> FromResource(int id);

    // 8-bit pictures are converted to 24 bits in the caller's bitmap first.
    bool FromBitmap(Bitmap& bitmap);

    // Stretches `source` (the whole picture when null) into `destination`.
    void Draw(const boost::shared_ptr<Dc>& destination, const RECT& destinationRect, const RECT* source = nullptr);

    HBITMAP bitmap() const { return bitmap_; }
    std::int32_t width() const { return width_; }
    std::int32_t height() const { return height_; }

private:
    boost::shared_ptr<MemoryDc> memoryDc_;
    HBITMAP bitmap_ = nullptr;          // owned
    HGDIOBJ previousBitmap_ = nullptr;  // what memoryDc_ held before
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
};

}  // namespace kit
