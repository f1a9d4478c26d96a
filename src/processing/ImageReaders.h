#pragma once
// The format readers behind Bitmap::Load. Each starts at the first byte of
// the stream and fills the bitmap; false means the data was refused.
#include "base/Bitmap.h"
#include "base/File.h"

namespace kit {

// Recognises the format by content and runs its reader; on false the bitmap is empty.
bool ReadImage(File& file, Bitmap& bitmap);

bool ReadBmp(File& file, Bitmap& bitmap);
bool ReadPng(File& file, Bitmap& bitmap);
bool ReadJpeg(File& file, Bitmap& bitmap);

}  // namespace kit
