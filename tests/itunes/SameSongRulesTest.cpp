#include <algorithm>
#include <cwctype>

#include "StandInFixture.h"
#include "itunes/RecycleBinSettings.h"

namespace {

class SameSongRulesTest : public StandInTest {
protected:
    // A library track whose file exists in the test folder.
    StandInTrack& AddOnDisk(StandInLibrary& library, const std::wstring& name,
                            const std::wstring& artist, const std::wstring& album,
                            bool enabled = true) {
        StandInTrack& track = library.AddTrack(name, artist, album);
        track.enabled = enabled;
        track.location = MakeRecording(L"old" + std::to_wstring(track.id) + L".mp3");
        return track;
    }

    const StandInTrack& NewTrack(const StandInLibrary& library, const PendingSong& song) {
        for (const StandInTrack& track : library.tracks) {
            if (track.location == song.filePath) return track;
        }
        ADD_FAILURE() << "the new track is missing";
        static const StandInTrack none;
        return none;
    }
};

}  // namespace

TEST_F(SameSongRulesTest, AllSameSongsUncheckedAreReplacedByAnUncheckedNewTrack) {
    StandInLibrary initial;
    const StandInTrack first = AddOnDisk(initial, L"星の歌", L"青木", L"夜", false);
    const StandInTrack other = AddOnDisk(initial, L"別の歌", L"青木", L"夜", false);
    const StandInTrack second = AddOnDisk(initial, L"星の歌", L"青木", L"夜", false);
    ::SetFileAttributesW(second.location.c_str(), FILE_ATTRIBUTE_READONLY);
    Serve(initial);
    settings.SetBool(L"IsSetNoneLyrics", true);
    const PendingSong song = Song(L"星の歌", L"青木", L"夜", L"new.mp3");
    ASSERT_TRUE(Register(song));

    const StandInLibrary library = Served();
    ASSERT_EQ(library.tracks.size(), 2u);
    EXPECT_EQ(library.tracks[0].id, other.id);
    const StandInTrack& added = NewTrack(library, song);
    EXPECT_FALSE(added.enabled);
    EXPECT_TRUE(added.comment.empty());
    // Unchecked, so it is not marked as missing lyrics either.
    EXPECT_TRUE(added.composer.empty());
    EXPECT_FALSE(Exists(first.location));
    EXPECT_FALSE(Exists(second.location));
    EXPECT_TRUE(Exists(other.location));
    EXPECT_TRUE(Exists(song.filePath));
}

// The history shows what a registration did: told by the typed entry, with
// the new track's persistent ID, also when a retry finds the file already in.
TEST_F(SameSongRulesTest, TheResultNamesTheNewTrackAndWhatTheRulesDid) {
    StandInLibrary initial;
    const StandInTrack copy = AddOnDisk(initial, L"星の歌", L"青木", L"夜", false);
    initial.tracks.back().lyrics = L"きらきら";
    Serve(initial);
    PendingSong song = Song(L"星の歌", L"青木", L"夜", L"new.mp3");
    const RegistrationResult result = RegisterNow(song);
    ASSERT_TRUE(result.registered);
    EXPECT_FALSE(result.timedOut);

    const StandInLibrary library = Served();
    const StandInTrack& added = NewTrack(library, song);
    EXPECT_EQ(result.trackId, TrackIdOf(added.id));
    using Kind = LibraryAction::Kind;
    ASSERT_EQ(result.actions.size(), 3u);
    EXPECT_EQ(result.actions[0].kind, Kind::Unchecked);
    EXPECT_EQ(result.actions[0].track, L"青木 - 星の歌");
    EXPECT_EQ(result.actions[1].kind, Kind::Deleted);
    EXPECT_EQ(result.actions[1].track, L"青木 - 星の歌");
    EXPECT_EQ(result.actions[1].filePath, copy.location);
    EXPECT_EQ(result.actions[1].destination, L"ごみ箱");
    EXPECT_EQ(result.actions[2].kind, Kind::LyricsCopied);
    EXPECT_FALSE(added.enabled);
    EXPECT_EQ(added.lyrics, L"きらきら");
    EXPECT_FALSE(Exists(copy.location));

    song.checkLibraryFirst = true;
    const RegistrationResult again = RegisterNow(song);
    EXPECT_TRUE(again.registered);
    EXPECT_EQ(again.trackId, result.trackId);
    EXPECT_TRUE(again.actions.empty());
}

TEST_F(SameSongRulesTest, OneCheckedAndOneUncheckedSameSong) {
    StandInLibrary initial;
    const StandInTrack unchecked = AddOnDisk(initial, L"Song", L"Band", L"LP", false);
    const StandInTrack checked = AddOnDisk(initial, L"Song", L"Band", L"LP", true);
    const StandInTrack notSame = AddOnDisk(initial, L"Song", L"Band", L"EP", true);
    Serve(initial);
    const PendingSong song = Song(L"Song", L"Band", L"LP", L"new.mp3");
    ASSERT_TRUE(Register(song));

    const StandInLibrary library = Served();
    const StandInTrack& added = NewTrack(library, song);
    EXPECT_TRUE(added.enabled);
    EXPECT_EQ(added.comment, song.filePath);
    ASSERT_NE(library.FindTrack(checked.id), nullptr);
    EXPECT_EQ(library.FindTrack(checked.id)->comment, song.filePath);
    ASSERT_NE(library.FindTrack(notSame.id), nullptr);
    EXPECT_TRUE(library.FindTrack(notSame.id)->comment.empty());
    EXPECT_EQ(library.FindTrack(unchecked.id), nullptr);
    EXPECT_FALSE(Exists(unchecked.location));
    EXPECT_TRUE(Exists(checked.location));
}

TEST_F(SameSongRulesTest, RulesOffLeaveSameSongsAlone) {
    StandInLibrary initial;
    const StandInTrack unchecked = AddOnDisk(initial, L"Song", L"Band", L"LP", false);
    Serve(initial);
    settings.SetBool(L"IsUncheckSameMusic", false);
    settings.SetBool(L"IsDeleteFile", false);
    const PendingSong song = Song(L"Song", L"Band", L"LP", L"new.mp3");
    ASSERT_TRUE(Register(song));
    const StandInLibrary library = Served();
    EXPECT_TRUE(NewTrack(library, song).enabled);
    EXPECT_NE(library.FindTrack(unchecked.id), nullptr);
    EXPECT_TRUE(Exists(unchecked.location));
}

TEST_F(SameSongRulesTest, LyricsComeFromTheFirstSameSongThatHasAny) {
    StandInLibrary initial;
    AddOnDisk(initial, L"Song", L"Band", L"LP").lyrics = L"";
    AddOnDisk(initial, L"Other", L"Band", L"LP").lyrics = L"not these";
    AddOnDisk(initial, L"Song", L"Band", L"LP").lyrics = L"first\nverse";
    AddOnDisk(initial, L"Song", L"Band", L"LP").lyrics = L"second";
    Serve(initial);
    settings.SetBool(L"IsSetNoneLyrics", true);
    const PendingSong song = Song(L"Song", L"Band", L"LP", L"new.mp3");
    ASSERT_TRUE(Register(song));
    const StandInLibrary library = Served();
    const StandInTrack& added = NewTrack(library, song);
    EXPECT_EQ(added.lyrics, L"first\nverse");
    EXPECT_TRUE(added.composer.empty());
}

TEST_F(SameSongRulesTest, FoundLyricsNotCopiedWhenSwitchedOffAndNoMarkEither) {
    StandInLibrary initial;
    AddOnDisk(initial, L"Song", L"Band", L"LP").lyrics = L"words";
    Serve(initial);
    settings.SetBool(L"IsSetLyrics", false);
    settings.SetBool(L"IsSetNoneLyrics", true);
    const PendingSong song = Song(L"Song", L"Band", L"LP", L"new.mp3");
    ASSERT_TRUE(Register(song));
    const StandInLibrary library = Served();
    const StandInTrack& added = NewTrack(library, song);
    EXPECT_TRUE(added.lyrics.empty());
    EXPECT_TRUE(added.composer.empty());
}

TEST_F(SameSongRulesTest, TheNoLyricsMarkIsSetAndCleanedUp) {
    StandInLibrary initial;
    AddOnDisk(initial, L"unchecked", L"x", L"", false);
    AddOnDisk(initial, L"given lyrics", L"x", L"").lyrics = L"found later";
    AddOnDisk(initial, L"still missing", L"x", L"");
    initial.AddTrack(L"no file", L"x", L"").fileTrack = false;
    for (StandInTrack& track : initial.tracks) track.composer = L"歌詞未登録";
    // Composers the user wrote that only contain the mark are not ours.
    AddOnDisk(initial, L"own note", L"x", L"", false).composer = L"歌詞未登録（手入力）";
    AddOnDisk(initial, L"own credit", L"x", L"").composer = L"山田 / 歌詞未登録";
    initial.tracks.back().lyrics = L"words";
    Serve(initial);
    settings.SetBool(L"IsSetNoneLyrics", true);
    const PendingSong song = Song(L"新曲", L"y", L"", L"new.mp3");
    ASSERT_TRUE(Register(song));

    const StandInLibrary library = Served();
    ASSERT_EQ(library.tracks.size(), 7u);
    EXPECT_EQ(NewTrack(library, song).composer, L"歌詞未登録");
    EXPECT_EQ(library.tracks[0].composer, L"");
    EXPECT_EQ(library.tracks[1].composer, L"");
    EXPECT_EQ(library.tracks[2].composer, L"歌詞未登録");
    EXPECT_EQ(library.tracks[3].composer, L"歌詞未登録");
    EXPECT_EQ(library.tracks[4].composer, L"歌詞未登録（手入力）");
    EXPECT_EQ(library.tracks[5].composer, L"山田 / 歌詞未登録");
}

TEST_F(SameSongRulesTest, NoActiveCriteriaMeansNoSameSongs) {
    StandInLibrary initial;
    const StandInTrack unchecked = AddOnDisk(initial, L"Song", L"Band", L"LP", false);
    Serve(initial);
    settings.SetInt(L"CheckTypeTitle", 2);
    settings.SetInt(L"CheckTypeArtist", 2);
    settings.SetInt(L"CheckTypeAlbum", 2);
    settings.SetBool(L"IsSetNoneLyrics", true);
    const PendingSong song = Song(L"Song", L"Band", L"LP", L"new.mp3");
    ASSERT_TRUE(Register(song));
    // And with the texts empty instead.
    settings.SetInt(L"CheckTypeTitle", 0);
    settings.SetInt(L"CheckTypeArtist", 0);
    settings.SetInt(L"CheckTypeAlbum", 0);
    const PendingSong untitled = Song(L"", L"", L"", L"untitled.mp3");
    ASSERT_TRUE(Register(untitled));

    const StandInLibrary library = Served();
    ASSERT_NE(library.FindTrack(unchecked.id), nullptr);
    EXPECT_TRUE(Exists(unchecked.location));
    EXPECT_TRUE(NewTrack(library, song).enabled);
    // Treated as a song without found lyrics.
    EXPECT_EQ(NewTrack(library, song).composer, L"歌詞未登録");
    EXPECT_EQ(NewTrack(library, untitled).composer, L"歌詞未登録");
}

TEST_F(SameSongRulesTest, ExactTitleAndPartialArtist) {
    // Again as with an iTunes that gives persistent IDs only by halves, and
    // as with one that cannot look a track up by its persistent ID.
    for (const wchar_t* failing : {L"", L"GetITObjectPersistentIDs", L"ItemByPersistentID"}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(failing)));
        StandInLibrary initial;
        const long same = AddOnDisk(initial, L"Song", L"ＢＡＮＤ", L"").id;
        // A same song by the partial test, but another artist: not written to.
        const long partialArtist = AddOnDisk(initial, L"Song", L"The Band X", L"").id;
        const long partialTitle = AddOnDisk(initial, L"Song (Live)", L"Band", L"").id;
        const long otherCase = AddOnDisk(initial, L"song", L"Band", L"").id;
        const long otherArtist = AddOnDisk(initial, L"Song", L"Solo", L"").id;
        if (*failing) initial.failures[failing] = 100;
        registration.reset();
        Serve(initial);
        settings.SetInt(L"CheckTypeTitle", 1);
        settings.SetInt(L"CheckTypeArtist", 0);
        const PendingSong song = Song(L"Song", L"band", L"", std::wstring(failing) + L"new.mp3");
        ASSERT_TRUE(Register(song));

        const StandInLibrary library = Served();
        ASSERT_NE(library.FindTrack(same), nullptr);
        EXPECT_EQ(library.FindTrack(same)->comment, song.filePath);
        for (const long other : {partialArtist, partialTitle, otherCase, otherArtist}) {
            ASSERT_NE(library.FindTrack(other), nullptr);
            EXPECT_EQ(library.FindTrack(other)->comment, L"") << other;
        }
    }
}

// The searches match word by word: a hit is a same song only when its own
// fields pass each test, so it gives the new track no lyrics, nor its check
// mark. Again with exact titles, and without persistent IDs.
TEST_F(SameSongRulesTest, HitsOfTheWordSearchesThatAreNoSameSongsDoNotCount) {
    for (const wchar_t* failing : {L"", L"ItemByPersistentID"}) {
        for (const int titleCheck : {0, 1}) {
            SCOPED_TRACE(testing::PrintToString(std::wstring(failing)) + std::to_string(titleCheck));
            StandInLibrary initial;
            AddOnDisk(initial, L"Song of Love", L"Blue Sky", L"", false).lyrics = L"other words";
            AddOnDisk(initial, L"Love Song", L"Sky Blue", L"", false).lyrics = L"other words";
            if (*failing) initial.failures[failing] = 100;
            registration.reset();
            Serve(initial);
            settings.SetInt(L"CheckTypeTitle", titleCheck);
            settings.SetBool(L"IsSetNoneLyrics", true);
            const PendingSong song =
                Song(L"Love Song", L"Blue Sky", L"", std::wstring(failing) + std::to_wstring(titleCheck) + L"new.mp3");
            ASSERT_TRUE(Register(song));

            const StandInLibrary library = Served();
            const StandInTrack& added = NewTrack(library, song);
            EXPECT_TRUE(added.enabled);
            EXPECT_TRUE(added.lyrics.empty());
            EXPECT_EQ(added.composer, L"歌詞未登録");
        }
    }
}

TEST_F(SameSongRulesTest, TwoOfThreeCriteriaIsNoSameSong) {
    StandInLibrary initial;
    const StandInTrack twoOfThree = AddOnDisk(initial, L"Song", L"Band", L"Other", false);
    Serve(initial);
    const PendingSong song = Song(L"Song", L"Band", L"LP", L"new.mp3");
    ASSERT_TRUE(Register(song));
    const StandInLibrary library = Served();
    EXPECT_NE(library.FindTrack(twoOfThree.id), nullptr);
    EXPECT_TRUE(Exists(twoOfThree.location));
    EXPECT_TRUE(NewTrack(library, song).enabled);
}

TEST_F(SameSongRulesTest, AFailedSearchLeavesNoSameSongs) {
    StandInLibrary initial;
    const StandInTrack unchecked = AddOnDisk(initial, L"Song", L"Band", L"LP", false);
    initial.failures[L"Search"] = 1;
    Serve(initial);
    const PendingSong song = Song(L"Song", L"Band", L"LP", L"new.mp3");
    ASSERT_TRUE(Register(song));
    EXPECT_NE(Served().FindTrack(unchecked.id), nullptr);
    EXPECT_TRUE(Exists(unchecked.location));
}

// Searches are walked one track at a time where their enumerator fails.
TEST_F(SameSongRulesTest, SameSongsAreFoundWhenEnumerationFails) {
    StandInLibrary initial;
    const StandInTrack unchecked = AddOnDisk(initial, L"Song", L"Band", L"LP", false);
    const StandInTrack checked = AddOnDisk(initial, L"Song", L"Band", L"LP", true);
    AddOnDisk(initial, L"Song", L"Band", L"EP", false);
    initial.failures[L"_NewEnum"] = 1;  // the narrowest search
    initial.failures[L"Next"] = 1;      // the same again, paired by index
    initial.failures[L"ItemByPersistentID"] = 100;
    Serve(initial);
    const PendingSong song = Song(L"Song", L"Band", L"LP", L"new.mp3");
    ASSERT_TRUE(Register(song));
    StandInLibrary library = Served();
    EXPECT_EQ(library.failures[L"_NewEnum"] + library.failures[L"Next"], 0);
    ASSERT_NE(library.FindTrack(checked.id), nullptr);
    EXPECT_EQ(library.FindTrack(checked.id)->comment, song.filePath);
    EXPECT_EQ(library.FindTrack(unchecked.id), nullptr);
    EXPECT_EQ(library.tracks.size(), 3u);
}

TEST_F(SameSongRulesTest, UncheckedSameSongsThatAreNoFilesStay) {
    StandInLibrary initial;
    StandInTrack& stream = initial.AddTrack(L"Song", L"Band", L"LP");
    stream.enabled = false;
    stream.fileTrack = false;
    const long streamId = stream.id;
    Serve(initial);
    ASSERT_TRUE(Register(Song(L"Song", L"Band", L"LP", L"new.mp3")));
    EXPECT_NE(Served().FindTrack(streamId), nullptr);
}

// iTunes hands back the existing track when a path is added again, and an
// old entry may point at a name the output folder has since reused: the new
// recording must survive either way.
TEST_F(SameSongRulesTest, TheNewFileIsNeverDeletedAsADuplicate) {
    StandInLibrary initial;
    StandInTrack& stale = initial.AddTrack(L"Song", L"Band", L"LP");
    stale.enabled = false;
    stale.location = folder + L"NEW.mp3";  // differs in case only
    const long staleId = stale.id;
    const StandInTrack other = AddOnDisk(initial, L"Song", L"Band", L"LP", false);
    Serve(initial);
    const PendingSong song = Song(L"Song", L"Band", L"LP", L"new.mp3");
    ASSERT_TRUE(Register(song));

    const StandInLibrary library = Served();
    EXPECT_TRUE(Exists(song.filePath));
    EXPECT_NE(library.FindTrack(staleId), nullptr);
    EXPECT_EQ(library.FindTrack(other.id), nullptr);
    EXPECT_FALSE(Exists(other.location));
}

TEST_F(SameSongRulesTest, ASameSongWhoseCheckMarkCannotBeReadIsKept) {
    StandInLibrary initial;
    const StandInTrack unreadable = AddOnDisk(initial, L"Song", L"Band", L"LP", false);
    initial.failures[L"Enabled"] = 1;
    Serve(initial);
    ASSERT_TRUE(Register(Song(L"Song", L"Band", L"LP", L"new.mp3")));
    EXPECT_NE(Served().FindTrack(unreadable.id), nullptr);
    EXPECT_TRUE(Exists(unreadable.location));
}

// The shell deletes for good, and reports success, what the bin will not
// keep: a bin switched off, a file larger than the bin, under Wine no trash.
TEST(RecycleBinJudgement, TellsWhereTheBinWouldNotKeepTheFile) {
    constexpr unsigned long long kMegabyte = 1ull << 20;
    RecycleBinSettings set;
    set.available = true;
    set.maxBytes = 100 * kMegabyte;
    EXPECT_EQ(JudgeRecycleBin(set, 100 * kMegabyte), RecycleVerdict::Keeps);
    EXPECT_EQ(JudgeRecycleBin(set, 100 * kMegabyte + 1), RecycleVerdict::TooLarge);
    RecycleBinSettings off = set;
    off.deletesAtOnce = true;
    EXPECT_EQ(JudgeRecycleBin(off, 1), RecycleVerdict::DeletesAtOnce);
    RecycleBinSettings none = set;
    none.available = false;
    EXPECT_EQ(JudgeRecycleBin(none, 1), RecycleVerdict::NoBin);
    // Never set: a tenth of the first 40 GB of the drive and a twentieth of the rest.
    RecycleBinSettings byDefault;
    byDefault.available = true;
    byDefault.driveBytes = 100ull << 30;
    EXPECT_EQ(JudgeRecycleBin(byDefault, 7ull << 30), RecycleVerdict::Keeps);
    EXPECT_EQ(JudgeRecycleBin(byDefault, (7ull << 30) + 1), RecycleVerdict::TooLarge);
}

// The drive's own setting, read where Windows keeps it, in this prefix.
TEST_F(SameSongRulesTest, ACopyStaysWhereTheBinWouldDeleteItForGood) {
    StandInLibrary initial;
    const StandInTrack copy = AddOnDisk(initial, L"Song", L"Band", L"LP", false);
    Serve(initial);
    const std::wstring key = RecycleBinVolumeKey(copy.location);
    ASSERT_FALSE(key.empty());
    const DWORD on = 1;
    ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), L"NukeOnDelete", REG_DWORD, &on, sizeof on),
              ERROR_SUCCESS);
    const RegistrationResult result = RegisterNow(Song(L"Song", L"Band", L"LP", L"new.mp3"));
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, key.c_str(), L"NukeOnDelete");
    ASSERT_TRUE(result.registered);

    EXPECT_NE(Served().FindTrack(copy.id), nullptr);
    EXPECT_TRUE(Exists(copy.location));
    ASSERT_EQ(result.actions.size(), 2u);
    EXPECT_EQ(result.actions[1].kind, LibraryAction::Kind::Kept);
    EXPECT_EQ(result.actions[1].filePath, copy.location);
    EXPECT_EQ(result.actions[1].note, L"このドライブはごみ箱に移さずに完全に削除する設定のため");
}

// A player opens a copy's file between the look at it and the Recycle Bin:
// its entry, already deleted, comes back as it was.
TEST_F(SameSongRulesTest, ACopyWhoseFileCannotBeRecycledIsPutBack) {
    StandInLibrary initial;
    StandInTrack& held = AddOnDisk(initial, L"星の歌", L"青木", L"夜", false);
    held.comment = L"前の録音";
    const StandInTrack copy = held;
    initial.holdDeletedFiles = true;
    Serve(initial);
    const PendingSong song = Song(L"星の歌", L"青木", L"夜", L"new.mp3");
    const RegistrationResult result = RegisterNow(song);
    ASSERT_TRUE(result.registered);

    EXPECT_TRUE(Exists(copy.location));
    const StandInLibrary library = Served();
    ASSERT_EQ(library.tracks.size(), 2u);
    const StandInTrack& back = library.tracks[0].location == song.filePath ? library.tracks[1] : library.tracks[0];
    EXPECT_EQ(back.location, copy.location);
    EXPECT_EQ(back.name, copy.name);
    EXPECT_EQ(back.artist, copy.artist);
    EXPECT_EQ(back.album, copy.album);
    EXPECT_EQ(back.comment, copy.comment);
    EXPECT_FALSE(back.enabled);
    ASSERT_EQ(result.actions.size(), 3u);
    EXPECT_EQ(result.actions[1].kind, LibraryAction::Kind::Deleted);
    EXPECT_EQ(result.actions[1].destination, L"");
    EXPECT_EQ(result.actions[2].kind, LibraryAction::Kind::PutBack);
    EXPECT_EQ(result.actions[2].filePath, copy.location);
}

namespace {

enum class Place { Output, WrittenOtherwise, Elsewhere };

struct Entry {
    const wchar_t* name;
    const wchar_t* artist;
    bool enabled = false;
    Place place = Place::Output;
};

struct LibraryState {
    const char* what;
    std::vector<Entry> entries;
    const wchar_t* title;
    const wchar_t* artist;
    std::vector<Entry> insertedMeanwhile;
    int failingDeletes;
    std::vector<std::wstring> survivors;  // names of the old tracks that stay
};

}  // namespace

// Only a recording of this very song, filed by this program, is ever deleted
// (into the Recycle Bin), and only while few enough qualify.
TEST_F(SameSongRulesTest, DeletionReachesOnlyCopiesOfTheSong) {
    const std::vector<LibraryState> states = {
        {"overlapping titles by one artist",
         {{L"Love", L"X"}, {L"Last Love", L"X"}, {L"Love Song", L"X"}, {L" LOVE ", L"x"}},
         L"Love", L"X", {}, 0, {L"Last Love", L"Love Song"}},
        {"a single-field page", {{L"a", L""}, {L"Banana", L"Y"}}, L"a", L"", {}, 0,
         {L"a", L"Banana"}},
        {"a track inserted mid-registration", {{L"Song", L"Band"}, {L"Kept", L"Band", true}},
         L"Song", L"Band", {{L"Inserted", L"Band"}}, 0, {L"Kept", L"Inserted"}},
        {"a stale entry written D:/Out", {{L"Song", L"Band", false, Place::WrittenOtherwise}},
         L"Song", L"Band", {}, 0, {}},
        {"a candidate outside every output folder", {{L"Song", L"Band", false, Place::Elsewhere}},
         L"Song", L"Band", {}, 0, {L"Song"}},
        {"a failing Delete", {{L"Song", L"Band"}}, L"Song", L"Band", {}, 1, {L"Song"}},
        {"six qualifying copies", std::vector<Entry>(6, {L"Song", L"Band"}), L"Song", L"Band", {}, 0,
         std::vector<std::wstring>(6, L"Song")},
    };
    const std::wstring elsewhere = folder + L"elsewhere\\";
    ASSERT_TRUE(::CreateDirectoryW(elsewhere.c_str(), nullptr));
    int round = 0;
    for (const LibraryState& state : states) {
        SCOPED_TRACE(state.what);
        const std::wstring prefix = L"r" + std::to_wstring(++round) + L"-";
        StandInLibrary initial;
        std::vector<std::wstring> files;
        for (const Entry& entry : state.entries) {
            StandInTrack& track = initial.AddTrack(entry.name, entry.artist, L"");
            track.enabled = entry.enabled;
            const std::wstring name = prefix + std::to_wstring(track.id) + L".mp3";
            track.location = MakeRecording(name);
            if (entry.place == Place::Elsewhere) {
                ASSERT_TRUE(::MoveFileW(track.location.c_str(), (elsewhere + name).c_str()));
                track.location = elsewhere + name;
            } else if (entry.place == Place::WrittenOtherwise) {
                for (wchar_t& c : track.location) c = c == L'\\' ? L'/' : std::towupper(c);
            }
            files.push_back(track.location);
        }
        for (const Entry& entry : state.insertedMeanwhile) {
            initial.insertOnAdd.push_back(StandInTrack());
            initial.insertOnAdd.back().name = entry.name;
            initial.insertOnAdd.back().artist = entry.artist;
        }
        if (state.failingDeletes) initial.failures[L"Delete"] = state.failingDeletes;
        registration.reset();
        Serve(initial);
        const PendingSong song = Song(state.title, state.artist, L"", prefix + L"new.mp3");
        ASSERT_TRUE(Register(song));

        const StandInLibrary library = Served();
        std::vector<std::wstring> survivors;
        for (const StandInTrack& track : library.tracks) {
            if (track.location != song.filePath) survivors.push_back(track.name);
        }
        std::sort(survivors.begin(), survivors.end());
        std::vector<std::wstring> expected = state.survivors;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(survivors, expected);
        EXPECT_TRUE(Exists(song.filePath));
        for (size_t i = 0; i < state.entries.size(); ++i) {
            const bool kept = library.FindTrack(static_cast<long>(i + 1)) != nullptr;
            const std::wstring name = files[i].substr(files[i].find_last_of(L"\\/") + 1);
            // A file goes with its entry, into the Recycle Bin, or not at all.
            EXPECT_EQ(Exists(files[i]), kept) << files[i];
            if (!kept) EXPECT_TRUE(Exists(TrashFolder() + name)) << name;
        }
    }
}
