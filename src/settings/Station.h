#pragma once
// One station as the road uses it, read once from its group of the settings
// tree: a worker gets this record, never the tree.
#include <string>

class Settings;

struct Station {
    std::wstring name;
    std::wstring playFolder;
    std::wstring endFolder;
    std::wstring outputFolder;
    std::wstring url;
    std::wstring pattern;
    // Templates of the four fields ($1, $2 ... of the pattern).
    std::wstring titleTemplate;
    std::wstring artistTemplate;
    std::wstring albumTemplate;
    std::wstring artworkTemplate;
    int waitSeconds = 0;  // 0 to 3600, as StationWaitTime reads it
    std::wstring charset;    // as stored: empty is automatic
    bool useBrowser = false;        // Component: the page through the browser component
    bool removeLineBreaks = false;  // DeleteReturn
    // Follow: its songs are filed whether or not it is the one shown. A
    // station stored without the value is followed (see SettleFollowing).
    bool follow = true;

    bool operator==(const Station& other) const;
    bool operator!=(const Station& other) const { return !(*this == other); }
};

// The record of a station group (an empty group gives an empty record).
Station ReadStation(const Settings& group);

// Stations stored before following was a choice of each: only the selected
// one (named `selected`) was filed then, so only it is followed now. Writes
// `Follow` into every station group that lacks it; true when it wrote any.
bool SettleFollowing(Settings& root, const std::wstring& selected);
