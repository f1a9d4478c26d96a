#include "processing/ProcessingCycle.h"

#include <windows.h>
#include <shlwapi.h>

#include "base/File.h"
#include "base/FileFinder.h"
#include "base/FileOperations.h"
#include "base/PathHelpers.h"
#include "processing/CycleServices.h"
#include "processing/CycleView.h"
#include "processing/RecordingFiles.h"
#include "settings/SettingsCatalogue.h"

namespace {

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
    if (paused() || !view_.IsCooperationChecked()) return;

    const std::wstring endDirectory = currentStation_.GetString(L"EndDirectory");
    if (endDirectory != lastEndDirectory_) lastEndDirectory_ = endDirectory;

    const std::wstring newest = FindNewestRecording(currentStation_, lastEndDirectory_);
    if (newest != currentRecording_) NoticeNewRecording(newest);

    if (!pendingSong_.filePath.empty()) RegisterPendingSong();
    AdvanceCountdown();
}

void ProcessingCycle::NoticeNewRecording(const std::wstring& newest) {
    const bool previousSkipped = skipCurrent_;
    skipCurrent_ = currentRecording_.empty() && settings_.GetBool(L"IgnoreFirst");

    const std::wstring name = FileNameOf(newest);
    view_.ShowFileName(name);

    if (!skipCurrent_ && !currentStation_.GetString(L"Url").empty()) {
        if (IsIgnoredFileName(settings_, name))
            skipCurrent_ = true;
        else if (!currentRecording_.empty())
            countdown_ = StationWaitTime(currentStation_) + 1;
        else
            countdown_ = 1;  // the first song seen is fetched in this tick
    }

    std::wstring finishedName;
    if (!currentRecording_.empty()) {
        FileFinder finder;
        finishedName = finder.First(AddBackslash(lastEndDirectory_) + currentRecording_);
    }
    currentRecording_ = newest;

    if (!previousSkipped) MoveFinishedRecording(finishedName);

    songInfo_.Clear();
    view_.ClearArtwork();
    RefreshSongBoxes();
}

void ProcessingCycle::MoveFinishedRecording(const std::wstring& finishedName) {
    const std::wstring source = AddBackslash(lastEndDirectory_) + finishedName;
    {
        // Still open for writing in the recorder (or gone): leave it alone.
        kit::File probe;
        if (!probe.OpenRead(source, FILE_SHARE_READ)) return;
    }
    const std::wstring outputDirectory = currentStation_.GetString(L"OutputDirectory");
    CreateDirectoryPath(outputDirectory);
    std::wstring target = AddBackslash(outputDirectory) + FileNameOf(source);
    if (::PathFileExistsW(target.c_str())) target = MakeUniquePath(target);

    if (MoveFileForce(target, source)) {
        pendingSong_.filePath = target;
        pendingSong_.artworkPath = songInfo_.artwork;
        pendingSong_.artist = songInfo_.artist;
        pendingSong_.title = songInfo_.title;
        pendingSong_.album = songInfo_.album;
        registerCount_ = 1;
    } else {
        pendingSong_.filePath.clear();
    }
}

void ProcessingCycle::RegisterPendingSong() {
    if (registerCount_ > 0) {
        --registerCount_;
        if (pendingSong_.title.empty() || pendingSong_.artist.empty()) {
            if (pendingSong_.title.empty()) pendingSong_.title = services_.ReadTagText(pendingSong_.filePath, "TIT2");
            if (pendingSong_.artist.empty()) pendingSong_.artist = services_.ReadTagText(pendingSong_.filePath, "TPE1");
        }
        services_.StripTags(pendingSong_.filePath);
        MessageScope message(view_, L"iTunesへ登録中...");
        if (services_.RegisterSong(pendingSong_, settings_, currentStation_)) registerCount_ = 0;
    }
    if (registerCount_ <= 0) pendingSong_.filePath.clear();
}

void ProcessingCycle::AdvanceCountdown() {
    if (countdown_ <= 0) return;
    --countdown_;
    if (countdown_ == 0) {
        RefreshSongBoxes();
        MessageScope message(view_, L"WEBから取得中...");
        services_.FetchSongInfo(currentStation_, songInfo_, view_);
        RefreshSongBoxes();
        return;
    }
    const std::wstring waiting = L"待機中（残り" + std::to_wstring(countdown_) + L"秒）";
    view_.ShowSongBoxes(waiting, waiting, waiting);
}

void ProcessingCycle::RefreshSongBoxes() {
    view_.ShowSongBoxes(songInfo_.title, songInfo_.artist, songInfo_.album);
}

void ProcessingCycle::SelectStation(const Settings& station) {
    currentStation_ = station;
    currentRecording_.clear();
    countdown_ = 0;
    songInfo_.Clear();
}
