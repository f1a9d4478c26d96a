#include "processing/StationFollower.h"

#include <windows.h>

#include "base/FileFinder.h"
#include "base/FileOperations.h"
#include "base/PathHelpers.h"
#include "processing/CycleView.h"
#include "processing/Filing.h"
#include "processing/PageWatch.h"
#include "processing/RecordingFiles.h"

namespace {

const wchar_t kAwaitingPage[] = L"ページ更新待ち";
const wchar_t kFetchingPage[] = L"WEBから取得中...";

std::wstring Upper(std::wstring text) {
    if (!text.empty()) ::CharUpperBuffW(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

// The MP3 files in a folder, by upper-cased name.
std::set<std::wstring> RecordingsIn(const std::wstring& folder) {
    std::set<std::wstring> names;
    FileFinder finder;
    for (std::wstring name = finder.First(AddBackslash(folder) + L"*.mp3"); !name.empty(); name = finder.Next())
        if (!(finder.record().dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.insert(name);
    return names;
}

}  // namespace

StationFollower::StationFollower(const Station& station, Filing& filing, SongServices& services, CycleView& view,
                                 const FollowRules& rules)
    : station_(station),
      filing_(filing),
      services_(services),
      view_(view),
      rules_(rules),
      self_(std::make_shared<StationFollower*>(this)) {
    pageCheck_.Attach(&filing.journal());
}

StationFollower::~StationFollower() { *self_ = nullptr; }

bool StationFollower::IsIgnored(const std::wstring& name) const { return IsIgnoredName(rules_.ignoreList, name); }

bool StationFollower::Scan(Moment now, std::uint64_t nowMs) {
    // Without an end folder the recorder cannot hand anything over.
    NewestRecording found;
    if (!station_.endFolder.empty()) found = FindNewestRecordingWritten(station_.playFolder);
    // Between the recorder moving one song out and starting the next, an
    // older file left in the folder is the newest: it did not start now.
    if (scanned_ && found.name != currentRecording_ && ::CompareFileTime(&found.written, &recordingsWritten_) < 0)
        found.name.clear();
    if (!found.name.empty() && ::CompareFileTime(&found.written, &recordingsWritten_) > 0)
        recordingsWritten_ = found.written;
    const std::wstring& newest = found.name;
    bool fresh = false;
    if (!scanned_) {
        scanned_ = true;
        TakeUpLeftPlaying(newest, now, nowMs);
        fresh = true;
    } else if (newest != currentRecording_) {
        NoticeNewRecording(newest, now, nowMs);
        fresh = true;
    } else if (newest.empty()) {
        firstSong_.FolderEmpty(nowMs);
    }
    if (LookAtEndFolder(now)) fresh = true;
    return fresh;
}

void StationFollower::TakeUpLeftPlaying(const std::wstring& newest, Moment now, std::uint64_t nowMs) {
    // Still recording what the last session saw start: followed on as it was,
    // not a first song, and its late hand-over is timed from its end.
    const journal::SongId adopted = newest.empty() ? 0 : filing_.AdoptPlaying(station_, newest);
    filing_.HandOverLeftPlaying(now);
    if (!adopted) {
        NoticeNewRecording(newest, now, nowMs);
        return;
    }
    firstSong_.NewSong(nowMs);
    currentRecording_ = newest;
    currentSong_ = adopted;
    skipCurrent_ = false;
    view_.ShowFileName(newest);
    pageCheck_.SongStarted(station_.name, newest, true, currentSong_);
    noticedThisRun_ = true;
    if (!station_.url.empty()) countdown_ = 1;
    RefreshSongBoxes();
}

bool StationFollower::LookAtEndFolder(Moment now) {
    if (station_.endFolder.empty()) return false;
    std::set<std::wstring> names = RecordingsIn(station_.endFolder);
    std::set<std::wstring> upper;
    for (const std::wstring& name : names) upper.insert(Upper(name));
    const bool firstLook = !endFolderSeen_;
    endFolderSeen_ = true;
    bool missed = false;
    if (!firstLook) {
        for (const std::wstring& name : names) {
            const std::wstring key = Upper(name);
            if (endFolderNames_.count(key) || filing_.Knows(station_.name, name)) continue;
            if (skippedNames_.erase(key)) continue;  // its row says why it stays
            if (IsIgnored(name)) {
                filing_.Notice(station_, name, journal::SongState::SkippedIgnoreList, now);
                continue;
            }
            // Started and ended between two looks at the play folder.
            filing_.NoticeMissed(station_, name, now);
            missed = true;
        }
    }
    endFolderNames_ = std::move(upper);
    return missed;
}

void StationFollower::HandOverCurrentSong(Moment now) {
    // Finished: the filing waits for its file in its own station's end folder.
    if (currentSong_) filing_.HandOver(currentSong_, now);
    currentSong_ = 0;
}

void StationFollower::Abandon() {
    if (currentSong_) filing_.Abandon(currentSong_);
    currentSong_ = 0;
    ++generation_;
}

void StationFollower::NoticeNewRecording(const std::wstring& newest, Moment now, std::uint64_t nowMs) {
    // A song that ended while its page still showed the one before goes
    // with what its tags say.
    pageCheck_.SongEnded();
    HandOverCurrentSong(now);
    ++generation_;
    currentRecording_ = newest;
    songInfo_.Clear();
    countdown_ = 0;
    view_.ClearArtwork();
    view_.ShowFileName(FileNameOf(newest));
    if (newest.empty()) {
        // Perhaps only the moment between two songs: the rule decides later.
        firstSong_.FolderEmpty(nowMs);
        skipCurrent_ = false;
        RefreshSongBoxes();
        return;
    }

    const bool first = firstSong_.NewSong(nowMs);
    journal::SongState state = journal::SongState::Playing;
    if (first && rules_.ignoreFirst) state = journal::SongState::SkippedFirstSong;
    if (state == journal::SongState::Playing && !station_.url.empty() && IsIgnored(newest))
        state = journal::SongState::SkippedIgnoreList;
    skipCurrent_ = state != journal::SongState::Playing;
    const journal::SongId id = filing_.Notice(station_, newest, state, now);
    if (skipCurrent_) {
        // Its own row says why; no page is read for it.
        skippedNames_.insert(Upper(newest));
    } else {
        currentSong_ = id;
        // Each song counts down from its own start; the first is fetched at once.
        if (!station_.url.empty()) countdown_ = first ? 1 : station_.waitSeconds + 1;
    }
    // after a start or a change of station nothing is compared
    noticedThisRun_ = true;
    pageCheck_.SongStarted(station_.name, newest, first, currentSong_);
    RefreshSongBoxes();
}

void StationFollower::SecondPassed() {
    // the song noticed in this run is at its second 0
    if (!noticedThisRun_) pageCheck_.SecondPassed();
    noticedThisRun_ = false;
    if (countdown_ <= 0) return;
    --countdown_;
    if (countdown_ == 0) {
        if (!pageCheck_.waiting()) RefreshSongBoxes();
        FetchFromPage();
        return;
    }
    if (pageCheck_.waiting()) return;  // the boxes say so already
    const std::wstring waiting = L"待機中（残り" + std::to_wstring(countdown_) + L"秒）";
    view_.ShowSongBoxes(waiting, waiting, waiting);
}

void StationFollower::FetchFromPage() {
    fetching_ = true;
    view_.JobStarted(kFetchingPage);
    const std::weak_ptr<StationFollower*> alive = self_;
    const int generation = generation_;
    services_.FetchPage(station_, [alive, generation](SongServices::Page page) {
        if (const auto self = alive.lock(); self && *self) (*self)->PageFetched(generation, std::move(page));
    });
}

void StationFollower::PageFetched(int generation, SongServices::Page page) {
    fetching_ = false;
    view_.JobEnded(kFetchingPage);
    if (page.status != FetchStatus::NoAddress && page.status != FetchStatus::FetchFailed)
        view_.PageFetched(station_.name, page.html);
    // The song ended meanwhile: this page may already show the next one.
    if (generation != generation_) return;
    switch (pageCheck_.Fetched(page.status, page.info)) {
    case SongPageCheck::Next::Retry:
        countdown_ = PageWatch::kRetrySeconds;
        view_.ShowSongBoxes(kAwaitingPage, kAwaitingPage, kAwaitingPage);
        return;
    case SongPageCheck::Next::Take: {
        songInfo_ = std::move(page.info);
        if (currentSong_) filing_.SaveInfo(currentSong_, songInfo_);
        // Each song's artwork in a folder of its own until it is filed.
        const std::wstring artworkFolder = filing_.ArtworkFolder(currentSong_);
        CreateDirectoryPath(artworkFolder);
        const std::weak_ptr<StationFollower*> alive = self_;
        services_.FetchArtwork(artworkFolder, songInfo_, [alive, generation](std::wstring path) {
            if (const auto self = alive.lock(); self && *self) (*self)->ArtworkFetched(generation, path);
        });
        break;
    }
    case SongPageCheck::Next::Leave:
        break;
    }
    RefreshSongBoxes();
}

void StationFollower::ArtworkFetched(int generation, const std::wstring& path) {
    if (generation != generation_) return;
    songInfo_.artwork = path;
    if (path.empty() || !view_.ShowArtwork(path)) {
        songInfo_.artwork.clear();
        view_.ClearArtwork();
    }
    if (currentSong_) filing_.SaveInfo(currentSong_, songInfo_);
}

void StationFollower::RefreshSongBoxes() { view_.ShowSongBoxes(songInfo_.title, songInfo_.artist, songInfo_.album); }
