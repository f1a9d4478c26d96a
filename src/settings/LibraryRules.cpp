#include "settings/LibraryRules.h"

#include "settings/Settings.h"

LibraryRules ReadLibraryRules(const Settings& root) {
    LibraryRules rules;
    rules.titleCheck = root.GetInt(L"CheckTypeTitle");
    rules.artistCheck = root.GetInt(L"CheckTypeArtist");
    rules.albumCheck = root.GetInt(L"CheckTypeAlbum");
    rules.uncheckSameSongs = root.GetBool(L"IsUncheckSameMusic");
    rules.commentSameSongs = root.GetBool(L"IsCommentSameMusic");
    rules.deleteSameSongs = root.GetBool(L"IsDeleteFile");
    rules.copyLyrics = root.GetBool(L"IsSetLyrics");
    rules.markMissingLyrics = root.GetBool(L"IsSetNoneLyrics");
    rules.addToStationPlaylist = root.GetBool(L"IsAddPlayList");
    if (const Settings* stations = root.FindGroup(L"Station")) {
        for (const auto& [name, station] : stations->groups) {
            const std::wstring folder = station.GetString(L"OutputDirectory");
            if (!folder.empty()) rules.outputFolders.push_back(folder);
        }
    }
    return rules;
}
