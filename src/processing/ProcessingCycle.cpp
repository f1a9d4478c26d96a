#include "processing/ProcessingCycle.h"

#include <algorithm>

#include <windows.h>
#include <shlwapi.h>

#include "base/FileOperations.h"
#include "base/PathHelpers.h"
#include "processing/CycleServices.h"
#include "processing/CycleView.h"
#include "processing/RecordingFiles.h"
#include "settings/SettingsCatalogue.h"

namespace {

const wchar_t kAwaitingPage[] = L"ページ更新待ち";

// Closes the message window however the blocking call ends.
class MessageScope {
public:
    MessageScope(CycleView& view, const std::wstring& text) : view_(view) { view_.ShowMessage(text); }
    ~MessageScope() { view_.CloseMessage(); }
    MessageScope(const MessageScope&) = delete;
    MessageScope& operator=(const MessageScope&) = delete;

private:
    CycleView& view_;
};

}  // namespace

bool ProcessingCycle::Tick(Scope scope) {
    // The message window pumps messages, so a due timer can call in while a
    // tick is still fetching or registering; that call must change nothing.
    if (ticking_) return false;
    ticking_ = true;
    bool whole = false;
    try {
        whole = Run(scope);
    } catch (...) {
        // Nothing may leave a timer handler; the next tick starts afresh.
    }
    ticking_ = false;
    return whole;
}

std::vector<std::wstring> ProcessingCycle::WatchedFolders() const {
    std::vector<std::wstring> folders = {currentStation_.GetString(L"PlayDirectory"),
                                         currentStation_.GetString(L"EndDirectory")};
    // Songs still awaiting their hand-over arrive in their own stations' end folders.
    if (filing_) {
        for (const std::wstring& folder : filing_->HandOverFolders())
            if (std::find(folders.begin(), folders.end(), folder) == folders.end()) folders.push_back(folder);
    }
    return folders;
}

ProcessingCycle::~ProcessingCycle() = default;

void ProcessingCycle::AttachJournal(journal::Journal& journal, const std::wstring& artworkRoot,
                                    const std::wstring& programFolder) {
    FilingServices& services = *this;
    filing_ = std::make_unique<Filing>(journal, settings_, services, artworkRoot);
    pageCheck_.Attach(&journal);
    filing_->Resume(journal::Now(), programFolder);
}

bool ProcessingCycle::RetryNow(journal::SongId id) { return filing_ && filing_->RetryNow(id, journal::Now()); }


bool ProcessingCycle::Run(Scope scope) {
    if (paused() || !filing_ || !view_.IsCooperationChecked()) return false;
    const std::uint64_t nowMs = clock_ ? clock_() : ::GetTickCount64();

    if (scope != Scope::CountdownOnly) {
        const std::wstring endDirectory = currentStation_.GetString(L"EndDirectory");
        if (endDirectory != lastEndDirectory_) lastEndDirectory_ = endDirectory;

        ++folderScans_;
        const std::wstring newest = FindNewestRecording(currentStation_, lastEndDirectory_);
        if (newest != currentRecording_) {
            NoticeNewRecording(newest, nowMs);
        } else {
            if (newest.empty()) firstSong_.FolderEmpty(nowMs);
            if (scope == Scope::NewRecordingOnly) return false;
        }
    }

    // Files what has arrived in the end folders, retries what is due.
    filing_->Step(journal::Now());
    // the song noticed in this run is at its second 0
    if (!noticedThisRun_) pageCheck_.SecondPassed();
    noticedThisRun_ = false;
    AdvanceCountdown();
    return true;
}

void ProcessingCycle::HandOverCurrentSong() {
    // Finished: the filing waits for its file in its own station's end folder.
    if (currentSong_) filing_->HandOver(currentSong_, journal::Now());
    currentSong_ = 0;
}

void ProcessingCycle::NoticeNewRecording(const std::wstring& newest, std::uint64_t nowMs) {
    // A song that ended while its page still showed the one before goes
    // with what its tags say.
    pageCheck_.SongEnded();
    HandOverCurrentSong();
    currentRecording_ = newest;
    songInfo_.Clear();
    view_.ClearArtwork();

    const std::wstring name = FileNameOf(newest);
    view_.ShowFileName(name);
    if (newest.empty()) {
        // Perhaps only the moment between two songs: the rule decides later.
        firstSong_.FolderEmpty(nowMs);
        skipCurrent_ = false;
        countdown_ = 0;
        RefreshSongBoxes();
        return;
    }

    const bool first = firstSong_.NewSong(nowMs);
    journal::SongState state = journal::SongState::Playing;
    if (first && settings_.GetBool(L"IgnoreFirst")) state = journal::SongState::SkippedFirstSong;
    if (state == journal::SongState::Playing && !currentStation_.GetString(L"Url").empty()) {
        if (IsIgnoredFileName(settings_, name))
            state = journal::SongState::SkippedIgnoreList;
        else
            countdown_ = first ? 1 : StationWaitTime(currentStation_) + 1;  // the first is fetched at once
    }
    skipCurrent_ = state != journal::SongState::Playing;
    const journal::SongId id = filing_->Notice(currentStation_, newest, state, journal::Now());
    if (!skipCurrent_) currentSong_ = id;
    // after a start or a change of station nothing is compared
    noticedThisRun_ = true;
    pageCheck_.SongStarted(currentStation_.GetString(L"StationName"), name, first, currentSong_);
    RefreshSongBoxes();
}

void ProcessingCycle::AdvanceCountdown() {
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

void ProcessingCycle::FetchFromPage() {
    MessageScope message(view_, L"WEBから取得中...");
    SongInfo fetched = songInfo_;
    const FetchStatus status = services_.FetchSongFields(currentStation_, fetched);
    switch (pageCheck_.Fetched(status, fetched)) {
    case SongPageCheck::Next::Retry:
        countdown_ = PageWatch::kRetrySeconds;
        view_.ShowSongBoxes(kAwaitingPage, kAwaitingPage, kAwaitingPage);
        return;
    case SongPageCheck::Next::Take: {
        songInfo_ = std::move(fetched);
        // Each song's artwork in a folder of its own until it is filed.
        const std::wstring artworkFolder = filing_->ArtworkFolder(currentSong_);
        CreateDirectoryPath(artworkFolder);
        services_.FetchArtwork(artworkFolder, songInfo_, view_);
        if (currentSong_) filing_->SaveInfo(currentSong_, songInfo_);
        break;
    }
    case SongPageCheck::Next::Leave:
        break;
    }
    RefreshSongBoxes();
}

void ProcessingCycle::RefreshSongBoxes() {
    view_.ShowSongBoxes(songInfo_.title, songInfo_.artist, songInfo_.album);
}

void ProcessingCycle::SelectStation(const Settings& station) {
    // The song in progress is cut off (the recorder follows the other
    // station): it is not filed.
    if (filing_ && currentSong_) filing_->Abandon(currentSong_);
    currentSong_ = 0;
    firstSong_.Restart();
    currentStation_ = station;
    currentRecording_.clear();
    countdown_ = 0;
    songInfo_.Clear();
}

std::wstring ProcessingCycle::ReadTagText(const std::wstring& path, const char* frameId) {
    return services_.ReadTagText(path, frameId);
}

bool ProcessingCycle::StripTags(const std::wstring& path) { return services_.StripTags(path); }

bool ProcessingCycle::RegisterSong(const PendingSong& song, Settings& settings, Settings& station) {
    MessageScope message(view_, L"iTunesへ登録中...");
    return services_.RegisterSong(song, settings, station);
}

void ProcessingCycle::SongGivenUp(const journal::SongRecord& song) { view_.SongGivenUp(song); }

void ProcessingCycle::JournalChanged() { view_.JournalChanged(); }
