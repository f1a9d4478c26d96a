#include "settings/Station.h"

#include <tuple>

#include "settings/Settings.h"
#include "settings/SettingsCatalogue.h"

namespace {

auto Fields(const Station& s) {
    return std::tie(s.name, s.playFolder, s.endFolder, s.outputFolder, s.url, s.pattern, s.titleTemplate,
                    s.artistTemplate, s.albumTemplate, s.artworkTemplate, s.waitSeconds, s.charset, s.useBrowser,
                    s.removeLineBreaks, s.follow);
}

}  // namespace

bool Station::operator==(const Station& other) const { return Fields(*this) == Fields(other); }

Station ReadStation(const Settings& group) {
    Station station;
    station.name = group.GetString(L"StationName");
    station.playFolder = group.GetString(L"PlayDirectory");
    station.endFolder = group.GetString(L"EndDirectory");
    station.outputFolder = group.GetString(L"OutputDirectory");
    station.url = group.GetString(L"Url");
    station.pattern = group.GetString(L"MatchPattern");
    station.titleTemplate = group.GetString(L"Title");
    station.artistTemplate = group.GetString(L"Artist");
    station.albumTemplate = group.GetString(L"Album");
    station.artworkTemplate = group.GetString(L"Artwork");
    station.waitSeconds = StationWaitTime(group);
    station.charset = group.GetString(L"Charset");
    station.useBrowser = group.GetBool(L"Component");
    station.removeLineBreaks = group.GetBool(L"DeleteReturn");
    station.follow = group.values.count(L"Follow") == 0 || group.GetBool(L"Follow");
    return station;
}

bool SettleFollowing(Settings& root, const std::wstring& selected) {
    bool wrote = false;
    for (auto& [name, group] : root.Group(L"Station").groups) {
        if (group.values.count(L"Follow")) continue;
        group.SetBool(L"Follow", group.GetString(L"StationName") == selected);
        wrote = true;
    }
    return wrote;
}
