#include "settings/SettingsCatalogue.h"

#include <algorithm>

#include "base/PathHelpers.h"
#include "settings/Settings.h"

const wchar_t* const kStationCharsets[4] = {L"", L"UTF-8", L"Shift_JIS", L"EUC-JP"};
const wchar_t kDefaultArtworkSearchUrl[] = L"https://itunes.apple.com/search";

void WriteStartValues(Settings& root) {
    root.SetBool(L"IgnoreFirst", true);
    root.SetBool(L"IsCommentSameMusic", true);
    root.SetBool(L"IsUncheckSameMusic", true);
    root.SetBool(L"IsSetLyrics", true);
    root.SetBool(L"IsDeleteFile", true);
    root.SetInt(L"CheckTypeTitle", 0);
    root.SetInt(L"CheckTypeArtist", 0);
    root.SetInt(L"CheckTypeAlbum", 0);
    root.SetBool(L"IsArtworkSearch", true);
}

std::wstring ArtworkSearchUrl(const Settings& root) {
    const std::wstring url = root.GetString(L"ArtworkSearchUrl");
    return url.empty() ? kDefaultArtworkSearchUrl : url;
}

void StartNewStation(const Settings& root, Settings& station) {
    station.Clear();
    CopyBool(root, L"Component", station);
    CopyBool(root, L"DeleteReturn", station);
    CopyInt(root, L"WaitTime", station, 10);
}

void RememberStationValues(const Settings& confirmedStation, Settings& root) {
    CopyBool(confirmedStation, L"Component", root);
    CopyBool(confirmedStation, L"DeleteReturn", root);
    CopyInt(confirmedStation, L"WaitTime", root, 0);
}

int StationWaitTime(const Settings& station) {
    return std::clamp<std::int32_t>(station.GetInt(L"WaitTime"), 0, 3600);
}

std::vector<std::wstring> ReadIgnoreList(const Settings& root) {
    const std::int32_t count = root.GetInt(L"IgnoreCount");
    const Settings* list = root.FindGroup(L"IgnoreList");
    std::vector<std::wstring> patterns;
    if (count <= 0 || !list) return std::vector<std::wstring>(count > 0 ? std::min(count, 1024) : 0);
    // A count far beyond the stored entries (a damaged file) would otherwise
    // allocate millions of empty rows.
    const std::int32_t bound = static_cast<std::int32_t>(std::min<size_t>(count, list->values.size() + 1024));
    patterns.reserve(bound);
    for (std::int32_t i = 0; i < bound; ++i) patterns.push_back(list->GetString(std::to_wstring(i)));
    return patterns;
}

void WriteIgnoreList(Settings& root, const std::vector<std::wstring>& patterns) {
    Settings list;
    for (size_t i = 0; i < patterns.size(); ++i) list.SetString(std::to_wstring(i), patterns[i]);
    root.SetGroup(L"IgnoreList", list);
    root.SetInt(L"IgnoreCount", static_cast<std::int32_t>(patterns.size()));
}

std::wstring SettingsFilePath() { return RenameExtension(ModulePath(), L".dat"); }
