#pragma once
// The keys the program keeps in its settings tree, their start values, and
// the few rules that move values between the root and a station.
#include <string>
#include <vector>

class Settings;

// Root values written before the settings file is loaded.
void WriteStartValues(Settings& root);

// The station a new one starts from: cleared, then the root's remembered
// Component, DeleteReturn and WaitTime (10 for the very first station).
void StartNewStation(const Settings& root, Settings& station);
// A station's WaitTime in seconds, 0 to 3600 whatever a hand-edited file holds.
int StationWaitTime(const Settings& station);
// After a station dialog is confirmed, those three travel back to the root.
void RememberStationValues(const Settings& confirmedStation, Settings& root);

// A station's Charset, as stored, in the order the station dialog offers
// them: empty is 自動 (the response header, then the page's declaration);
// any other decides before both. An unknown stored value reads as 自動.
extern const wchar_t* const kStationCharsets[4];

// IsArtworkSearch (on from the start) lets a song without artwork be looked
// up; the hidden ArtworkSearchUrl says where, empty meaning the public service.
extern const wchar_t kDefaultArtworkSearchUrl[];
std::wstring ArtworkSearchUrl(const Settings& root);

// The ignore list: `IgnoreCount` entries named "0", "1", ... in `IgnoreList`.
// Missing entries read as empty; a damaged count is bounded by what is stored.
std::vector<std::wstring> ReadIgnoreList(const Settings& root);
void WriteIgnoreList(Settings& root, const std::vector<std::wstring>& patterns);

// The settings file: the program file's path with ".dat" for its extension.
std::wstring SettingsFilePath();
