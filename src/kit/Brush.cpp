#include "kit/Brush.h"

namespace kit {

boost::shared_ptr<Brush> Brush::CreateSolid(COLORREF colour) {
    HBRUSH brush = ::CreateSolidBrush(colour);
    if (!brush) return boost::shared_ptr<Brush>();
    return boost::shared_ptr<Brush>(new Brush(brush, true));
}

Brush::~Brush() {
    if (owns_ && brush_) ::DeleteObject(brush_);
}

}  // namespace kit
