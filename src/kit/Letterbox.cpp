#include "kit/Letterbox.h"

#include <cstdint>

namespace kit {

bool FitLetterbox(const RECT& frame, int width, int height, RECT& fitted) {
    fitted = frame;
    if (width <= 0 || height <= 0) return false;
    const std::int32_t frameWidth = frame.right - frame.left;
    const std::int32_t frameHeight = frame.bottom - frame.top;
    // 32-bit on purpose: a frame and a picture each fit in 16 bits here.
    const std::int32_t fullWidthHeight = frameWidth * height / width;
    const std::int32_t fullHeightWidth = frameHeight * width / height;
    if (frameHeight < fullWidthHeight) {
        fitted.left = frame.left + (frameWidth - fullHeightWidth) / 2;
        fitted.right = fitted.left + fullHeightWidth;
    } else if (frameWidth < fullHeightWidth) {
        fitted.top = frame.top + (frameHeight - fullWidthHeight) / 2;
        fitted.bottom = fitted.top + fullWidthHeight;
    }
    return true;
}

}  // namespace kit
