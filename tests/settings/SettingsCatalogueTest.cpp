#include <gtest/gtest.h>

#include "settings/LibraryTarget.h"
#include "settings/Settings.h"
#include "settings/SettingsCatalogue.h"
#include "settings/Station.h"
#include "support/TempFolder.h"

using testing_support::TempFolder;

TEST(SettingsCatalogue, FirstStartWithoutAFile) {
    TempFolder folder;
    Settings root;
    WriteStartValues(root);
    EXPECT_FALSE(root.Load(folder / L"Kestrel.dat"));
    EXPECT_TRUE(root.GetBool(L"IgnoreFirst"));
    EXPECT_TRUE(root.GetBool(L"IsDeleteFile"));
    EXPECT_TRUE(root.GetBool(L"IsSetLyrics"));
    EXPECT_TRUE(root.GetBool(L"IsUncheckSameMusic"));
    EXPECT_TRUE(root.GetBool(L"IsCommentSameMusic"));
    EXPECT_FALSE(root.GetBool(L"IsAddPlayList"));
    EXPECT_FALSE(root.GetBool(L"IsTopmost"));
    EXPECT_TRUE(root.GetBool(L"IsArtworkSearch"));
    for (const wchar_t* key : {L"CheckTypeTitle", L"CheckTypeArtist", L"CheckTypeAlbum"}) {
        EXPECT_EQ(root.values[key].size(), 4u);
        EXPECT_EQ(root.GetInt(key, 9), 0);
    }
    EXPECT_EQ(root.Group(L"IsCooperation").GetInt(L"Check"), 0);  // the cycle starts switched off
    EXPECT_TRUE(root.Group(L"Station").groups.empty());
}

TEST(SettingsCatalogue, NewStationTakesTheLastConfirmedWaitTime) {
    Settings root, station;
    station.SetString(L"Url", L"left over");
    StartNewStation(root, station);
    EXPECT_EQ(station.GetInt(L"WaitTime"), 10);
    EXPECT_EQ(station.GetString(L"Url"), L"");
    EXPECT_FALSE(station.GetBool(L"Component"));

    // The dialog returns neither flag; confirming carries both back as false.
    root.SetBool(L"Component", true);
    Settings confirmed;
    confirmed.SetInt(L"WaitTime", 25);
    RememberStationValues(confirmed, root);
    EXPECT_FALSE(root.GetBool(L"Component"));
    EXPECT_EQ(root.GetInt(L"WaitTime"), 25);
    StartNewStation(root, station);
    EXPECT_EQ(station.GetInt(L"WaitTime"), 25);

    // A WaitTime of the wrong length reads as 0 (fetch at once).
    station.values[L"WaitTime"] = SettingValue{5};
    EXPECT_EQ(station.GetInt(L"WaitTime"), 0);

    // A hand-edited file: the countdown must neither overflow nor go negative.
    for (auto [stored, used] : {std::make_pair(2147483647, 3600), std::make_pair(-5, 0), std::make_pair(3600, 3600)}) {
        station.SetInt(L"WaitTime", stored);
        EXPECT_EQ(StationWaitTime(station), used) << stored;
    }
}

TEST(SettingsCatalogue, IgnoreListRoundTripAndShortLists) {
    Settings root;
    WriteIgnoreList(root, {L"cm*", L"", L"ジングル?.mp3"});
    EXPECT_EQ(root.GetInt(L"IgnoreCount"), 3);
    EXPECT_EQ(ReadIgnoreList(root), (std::vector<std::wstring>{L"cm*", L"", L"ジングル?.mp3"}));

    root.SetInt(L"IgnoreCount", 5);
    EXPECT_EQ(ReadIgnoreList(root), (std::vector<std::wstring>{L"cm*", L"", L"ジングル?.mp3", L"", L""}));

    // Shrinking the list drops the old entries beyond the new count.
    WriteIgnoreList(root, {L"x"});
    EXPECT_EQ(root.Group(L"IgnoreList").values.size(), 1u);

    root.SetInt(L"IgnoreCount", 0x7FFFFFFF);  // damaged: bounded, not millions of rows
    EXPECT_LE(ReadIgnoreList(root).size(), 2048u);
}

// Settings stored before each station had its own choice: only the selected
// station was filed then, so only it is followed; a choice made is kept.
TEST(SettingsCatalogue, OlderSettingsFollowOnlyTheSelectedStation) {
    Settings root;
    for (const wchar_t* name : {L"AM", L"FM", L"Web"}) root.Group(L"Station").Group(name).SetString(L"StationName", name);
    root.Group(L"Station").Group(L"Web").SetBool(L"Follow", true);
    EXPECT_TRUE(SettleFollowing(root, L"FM"));
    EXPECT_FALSE(ReadStation(root.Group(L"Station").Group(L"AM")).follow);
    EXPECT_TRUE(ReadStation(root.Group(L"Station").Group(L"FM")).follow);
    EXPECT_TRUE(ReadStation(root.Group(L"Station").Group(L"Web")).follow);
    EXPECT_FALSE(SettleFollowing(root, L"AM"));  // settled once
    EXPECT_FALSE(ReadStation(root.Group(L"Station").Group(L"AM")).follow);
}

TEST(SettingsCatalogue, TheTargetIsITunesUnlessStoredAndThePlaylistFollowsItsDefault) {
    Settings root;
    LibraryTarget target = ReadLibraryTarget(root);
    EXPECT_TRUE(target.usesITunes());
    EXPECT_FALSE(target.writesTags());
    EXPECT_FALSE(target.writePlaylist);
    root.SetInt(L"LibraryTarget", 7);  // unknown: iTunes
    EXPECT_TRUE(ReadLibraryTarget(root).usesITunes());

    // The folder target writes tags and, unless told otherwise, the playlist.
    target.kind = LibraryTarget::Kind::Folder;
    target.writePlaylist = true;
    WriteLibraryTarget(target, root);
    EXPECT_EQ(root.values.count(L"IsWritePlaylistFile"), 0u);
    target = ReadLibraryTarget(root);
    EXPECT_TRUE(target.writesTags() && target.writePlaylist && !target.usesITunes());

    // A playlist switched on for iTunes stays on; a default one goes with its target.
    target.kind = LibraryTarget::Kind::ITunes;
    target.writePlaylist = true;
    WriteLibraryTarget(target, root);
    EXPECT_TRUE(ReadLibraryTarget(root).writePlaylist);
    target.writePlaylist = false;
    WriteLibraryTarget(target, root);
    root.SetInt(L"LibraryTarget", 1);
    EXPECT_TRUE(ReadLibraryTarget(root).writePlaylist);
}
