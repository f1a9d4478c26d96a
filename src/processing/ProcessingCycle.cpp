#include "processing/ProcessingCycle.h"

#include <windows.h>
#include <shlwapi.h>

#include "base/File.h"
#include "processing/CycleSeam.h"
#include "base/FileFinder.h"
#include "base/PathHelpers.h"
#include "base/FileOperations.h"
#include "processing/RecordingFiles.h"

namespace {

const wchar_t kAwaitingPage[] = L"ページ更新待ち";

// Closes the message window however the blocking call ends.
class MessageScope {
public:
    MessageScope(CycleSeam& seam, const std::wstring& text) : seam_(seam) { seam_.ShowMessage(text); }
    ~MessageScope() { seam_.CloseMessage(); }
    MessageScope(const MessageScope&) = delete;
    MessageScope& operator=(const MessageScope&) = delete;

private:
    CycleSeam& seam_;
};

}  // namespace

void ProcessingCycle::Tick() {
    // The message window pumps messages, so a due timer can call in while a
    // tick is still fetching or registering; that call must change nothing.
    if (ticking_) return;
    ticking_ = true;
    try {
        Run();
    } catch (...) {
        // Nothing may leave a timer handler; the next tick starts afresh.
    }
    ticking_ = false;
}

void ProcessingCycle::Run() {
    if (busy || !seam_.IsCooperationChecked()) return;

    const std::wstring endDirectory = currentStation.GetString(L"EndDirectory");
    if (endDirectory != lastEndDirectory) lastEndDirectory = endDirectory;

    const std::wstring newest = FindNewestRecording(currentStation, lastEndDirectory);
    if (newest != currentRecording)
        NoticeNewRecording(newest);
    else
        pageCheck.SecondPassed();

    if (!pendingSong.filePath.empty()) RegisterPendingSong();
    AdvanceCountdown();
}

void ProcessingCycle::NoticeNewRecording(const std::wstring& newest) {
    const bool previousSkipped = skipCurrent;
    skipCurrent = currentRecording.empty() && settings_.GetBool(L"IgnoreFirst");

    const std::wstring name = FileNameOf(newest);
    seam_.ShowFileName(name);

    // A song that ended while its page still showed the one before goes
    // with what its tags say.
    if (pageCheck.waiting()) countdown = 0;
    pageCheck.SongEnded();

    if (!skipCurrent && !currentStation.GetString(L"Url").empty()) {
        if (IsIgnoredFileName(settings_, name))
            skipCurrent = true;
        else if (!currentRecording.empty())
            countdown = currentStation.GetInt(L"WaitTime") + 1;
        else
            countdown = 1;  // the first song seen is fetched in this tick
    }
    // after a start or a change of station nothing is compared
    pageCheck.SongStarted(currentStation.GetString(L"StationName"), name, currentRecording.empty());

    std::wstring finishedName;
    if (!currentRecording.empty()) {
        FileFinder finder;
        finishedName = finder.First(AddBackslash(lastEndDirectory) + currentRecording);
    }
    currentRecording = newest;

    if (!previousSkipped) MoveFinishedRecording(finishedName);

    songInfo.Clear();
    seam_.ClearArtwork();
    RefreshSongBoxes();
}

void ProcessingCycle::MoveFinishedRecording(const std::wstring& finishedName) {
    const std::wstring source = AddBackslash(lastEndDirectory) + finishedName;
    {
        // Still open for writing in the recorder (or gone): leave it alone.
        kit::File probe;
        if (!probe.OpenRead(source, FILE_SHARE_READ)) return;
    }
    const std::wstring outputDirectory = currentStation.GetString(L"OutputDirectory");
    CreateDirectoryPath(outputDirectory);
    std::wstring target = AddBackslash(outputDirectory) + FileNameOf(source);
    if (::PathFileExistsW(target.c_str())) target = MakeUniquePath(target);

    if (MoveFileForce(target, source)) {
        pendingSong.filePath = target;
        pendingSong.artworkPath = songInfo.artwork;
        pendingSong.artist = songInfo.artist;
        pendingSong.title = songInfo.title;
        pendingSong.album = songInfo.album;
        registerCount = 1;
    } else {
        pendingSong.filePath.clear();
    }
}

void ProcessingCycle::RegisterPendingSong() {
    if (registerCount > 0) {
        --registerCount;
        if (pendingSong.title.empty() || pendingSong.artist.empty()) {
            if (pendingSong.title.empty()) pendingSong.title = seam_.ReadTagText(pendingSong.filePath, "TIT2");
            if (pendingSong.artist.empty()) pendingSong.artist = seam_.ReadTagText(pendingSong.filePath, "TPE1");
        }
        seam_.StripTags(pendingSong.filePath);
        MessageScope message(seam_, L"iTunesへ登録中...");
        if (seam_.RegisterSong(pendingSong, settings_, currentStation)) registerCount = 0;
    }
    if (registerCount <= 0) pendingSong.filePath.clear();
}

void ProcessingCycle::AdvanceCountdown() {
    if (countdown <= 0) return;
    --countdown;
    if (countdown == 0) {
        if (!pageCheck.waiting()) RefreshSongBoxes();
        FetchFromPage();
        return;
    }
    if (pageCheck.waiting()) return;  // the boxes say so already
    const std::wstring waiting = L"待機中（残り" + std::to_wstring(countdown) + L"秒）";
    seam_.ShowSongBoxes(waiting, waiting, waiting);
}

void ProcessingCycle::FetchFromPage() {
    MessageScope message(seam_, L"WEBから取得中...");
    SongInfo fetched = songInfo;
    const FetchStatus status = seam_.FetchSongFields(currentStation, fetched);
    switch (pageCheck.Fetched(status, fetched)) {
    case SongPageCheck::Next::Retry:
        countdown = PageWatch::kRetrySeconds;
        seam_.ShowSongBoxes(kAwaitingPage, kAwaitingPage, kAwaitingPage);
        return;
    case SongPageCheck::Next::Take:
        songInfo = std::move(fetched);
        seam_.FetchArtwork(songInfo);
        break;
    case SongPageCheck::Next::Leave:
        break;
    }
    RefreshSongBoxes();
}

void ProcessingCycle::RefreshSongBoxes() {
    seam_.ShowSongBoxes(songInfo.title, songInfo.artist, songInfo.album);
}
