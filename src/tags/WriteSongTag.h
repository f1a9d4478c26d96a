#pragma once
// Our own tag in place of the recorder's: title, artist, album, a comment and
// the artwork as the front cover.
#include <string>

struct SongTag {
    std::wstring title, artist, album;
    std::wstring comment;
    std::string pictureBytes;
    std::string pictureMimeType;  // "image/jpeg" or "image/png"
};

// False: the file is exactly as it was.
bool WriteSongTag(const std::wstring& path, const SongTag& tag);
