#pragma once
// The downloaded artwork picture on disk.
#include <cstdint>
#include <string>
#include <vector>

// A file name for the picture at `url` that stays inside the artwork folder:
// the last segment of the address's path (no query, no fragment), characters
// that Windows forbids replaced by "_"; "artwork" when that leaves no usable
// name. When the bytes show a picture format, the name ends in its extension
// (".jpg", ".png", ".gif", ".bmp"), replacing one that says otherwise
// ("image.php" holding a JPEG becomes "image.jpg").
std::wstring ArtworkFileName(const std::wstring& url, const std::vector<std::uint8_t>& bytes);

// Writes the picture into `folder`; returns its path, or an empty string when
// it could not be written completely (nothing is left behind then).
std::wstring SaveArtwork(const std::wstring& folder, const std::wstring& url,
                         const std::vector<std::uint8_t>& bytes);

