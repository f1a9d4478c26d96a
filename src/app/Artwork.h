#pragma once
// The artwork frame of the main window: a saved picture file shown, or none.
#include <string>

namespace kit {

class StaticText;

// Loads the picture (BMP, PNG or JPEG by content) into the frame; a file
// that cannot be read or decoded clears the frame instead and gives false.
bool ShowArtwork(StaticText& frame, const std::wstring& path);

}  // namespace kit
