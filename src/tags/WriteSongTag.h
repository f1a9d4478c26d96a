#pragma once
// Gives a finished recording one fresh tag of its own in place of whatever the
// recorder left, for songs that are listed by their files rather than in a library.
#include <string>
struct SongTag {
    std::wstring title;
    std::wstring artist;
    std::wstring album;
    std::wstring comment;          // station and time of recording, written as the caller gives it
    std::string pictureBytes;      // empty: no picture
    std::string pictureMimeType;   // "image/jpeg" or "image/png"
};
// True when the file now carries exactly this tag (ID3v2.3, UTF-16 text) and no other
// (no ID3v1, no second ID3v2, no APE). False when it cannot be read or replaced; the
// file is then exactly as it was. Keeps attributes and creation time; refuses a
// read-only file, like StripTags.
bool WriteSongTag(const std::wstring& path, const SongTag& tag);
