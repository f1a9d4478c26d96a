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
    // The station it was recorded from: the playlist it goes into, and the
    // folder it was filed in (counted among the output folders).
    std::wstring stationName;
    std::wstring outputFolder;
    // An earlier attempt may have added the file before it failed or was
    // killed: the library is asked for a track at filePath first.
    bool checkLibraryFirst = false;
};
