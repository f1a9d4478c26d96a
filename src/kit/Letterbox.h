#pragma once
// Where a picture goes inside a frame when it keeps its proportions.
#include <windows.h>

namespace kit {

// Fits a picture of `width` x `height` into `frame`, centred along the
// spare direction, in truncating 32-bit arithmetic. False (and `frame`
// untouched in `fitted`) when the picture has no width or no height.
bool FitLetterbox(const RECT& frame, int width, int height, RECT& fitted);

}  // namespace kit
