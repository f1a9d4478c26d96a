#pragma once
// A picture ready for drawing: a DIB section (or a bitmap resource) that is
// drawn through a memory context made at the first draw.
#include <windows.h>

#include <cstdint>
#include <memory>

#include <boost/noncopyable.hpp>
#include <boost/shared_ptr.hpp>

#include "kit/Dc.h"
#include "kit/GdiObject.h"

namespace kit {

class Bitmap;

class Image : private boost::noncopyable {
public:
    Image() = default;

    // A DIB section holding a copy of the bitmap's pixels; empty on failure.
    static boost::shared_ptr<Image> Create(const boost::shared_ptr<Bitmap>& bitmap);
    // A bitmap resource of the program; width and height stay 0 until the
    // first draw reads them. Empty when it cannot be loaded.
    static boost::shared_ptr<Image> FromResource(int id);

    // 8-bit pictures are converted to 24 bits in the caller's bitmap first.
    bool FromBitmap(Bitmap& bitmap);

    // Stretches `source` (the whole picture when null) into `destination`.
    void Draw(const boost::shared_ptr<Dc>& destination, const RECT& destinationRect, const RECT* source = nullptr);

    HBITMAP bitmap() const { return static_cast<HBITMAP>(bitmap_.Get()); }
    std::int32_t width() const { return width_; }
    std::int32_t height() const { return height_; }

private:
    // Destroyed in reverse: the selection is undone, then the context and
    // the bitmap are deleted.
    UniqueGdiObject bitmap_;
    boost::shared_ptr<MemoryDc> memoryDc_;
    std::unique_ptr<ScopedSelectObject> selection_;  // bitmap_ in memoryDc_
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
};

}  // namespace kit
