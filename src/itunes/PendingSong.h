#pragma once
#include <string>

// A finished recording, already moved into the output folder, waiting to be
// added to the library with what was fetched for it.
struct PendingSong {
    std::wstring filePath;  // empty: no song pending
    std::wstring artworkPath;
    std::wstring artist;
    std::wstring title;
    std::wstring album;
};
