#pragma once
#include <string>

// What the station page says about the song being recorded. `artwork` holds
// the extracted address until the download replaces it with the local path.
struct SongInfo {
    std::wstring title;
    std::wstring artist;
    std::wstring album;
    std::wstring artwork;

    void Clear() { *this = SongInfo(); }
};
