#pragma once
// Reading a picture file into a Bitmap: BMP, PNG and JPEG, recognised by
// their content, never by their name.
#include <string>

#include <boost/shared_ptr.hpp>

#include "base/Bitmap.h"

namespace kit {

// False leaves an empty picture.
bool LoadBitmap(const std::wstring& path, Bitmap& bitmap);

// The loading factory: an empty pointer when the file cannot be read or decoded.
boost::shared_ptr<Bitmap> LoadBitmapFile(const std::wstring& path);

}  // namespace kit
