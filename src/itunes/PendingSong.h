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
    // An earlier attempt may have added the file before it failed or was
    // killed: the library is asked for a track at filePath first.
    bool checkLibraryFirst = false;
};
