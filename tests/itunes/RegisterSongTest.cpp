#include "StandInFixture.h"

using RegisterSongTest = StandInTest;

TEST_F(RegisterSongTest, AddsTheFileWithItsFields) {
    Serve(StandInLibrary());
    PendingSong song = Song(L"夜明けの歌", L"青木", L"朝", L"夜明けの歌.mp3");
    ASSERT_TRUE(Register(song));
    const StandInLibrary library = Served();
    ASSERT_EQ(library.tracks.size(), 1u);
    const StandInTrack& track = library.tracks[0];
    EXPECT_EQ(track.name, L"夜明けの歌");
    EXPECT_EQ(track.artist, L"青木");
    EXPECT_EQ(track.album, L"朝");
    EXPECT_EQ(track.location, song.filePath);
    EXPECT_TRUE(track.enabled);
    EXPECT_TRUE(library.playlists.empty());
}
