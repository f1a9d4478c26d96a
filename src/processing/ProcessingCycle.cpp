#include "processing/ProcessingCycle.h"

#include <windows.h>
#include <shlwapi.h>

#include "base/File.h"
#include "processing/CycleSeam.h"
#include "base/FileFinder.h"
#include "base/PathHelpers.h"
#include "base/FileOperations.h"
#include "processing/RecordingFiles.h"
#include "settings/SettingsCatalogue.h"

namespace {

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
    if (newest != currentRecording) NoticeNewRecording(newest);

    if (!pendingSong.filePath.empty()) RegisterPendingSong();
    AdvanceCountdown();
}

void ProcessingCycle::NoticeNewRecording(const std::wstring& newest) {
    const bool previousSkipped = skipCurrent;
    skipCurrent = currentRecording.empty() && settings_.GetBool(L"IgnoreFirst");

    const std::wstring name = FileNameOf(newest);
    seam_.ShowFileName(name);

    if (!skipCurrent && !currentStation.GetString(L"Url").empty()) {
        if (IsIgnoredFileName(settings_, name))
            skipCurrent = true;
        else if (!currentRecording.empty())
            countdown = StationWaitTime(currentStation) + 1;
        else
            countdown = 1;  // the first song seen is fetched in this tick
    }

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
        RefreshSongBoxes();
        MessageScope message(seam_, L"WEBから取得中...");
        seam_.FetchSongInfo(currentStation, songInfo);
        RefreshSongBoxes();
        return;
    }
    const std::wstring waiting = L"待機中（残り" + std::to_wstring(countdown) + L"秒）";
    seam_.ShowSongBoxes(waiting, waiting, waiting);
}

void ProcessingCycle::RefreshSongBoxes() {
    seam_.ShowSongBoxes(songInfo.title, songInfo.artist, songInfo.album);
}
