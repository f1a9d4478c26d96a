#pragma once
// What the library step is told to do with a new song and its same songs,
// read once from the settings tree's root.
#include <string>
#include <vector>

class Settings;

struct LibraryRules {
    // How title, artist and album are compared: 0 partial, 1 exact, 2 ignored
    // (the stored CheckType numbers).
    int titleCheck = 0;
    int artistCheck = 0;
    int albumCheck = 0;
    bool uncheckSameSongs = false;  // IsUncheckSameMusic
    bool commentSameSongs = false;  // IsCommentSameMusic
    bool deleteSameSongs = false;   // IsDeleteFile
    bool copyLyrics = false;        // IsSetLyrics
    bool markMissingLyrics = false; // IsSetNoneLyrics: the 歌詞未登録 composer mark
    bool addToStationPlaylist = false;  // IsAddPlayList
    // Every station's output folder: only recordings filed there are deleted.
    std::vector<std::wstring> outputFolders;
};

LibraryRules ReadLibraryRules(const Settings& root);
