#pragma once
// Everything the processing cycle does outside its own state goes through
// this seam: the main window's boxes and message window, and the fetch, tag
// and registration work. Tests drive the cycle with their own seam.
#include <string>

#include "itunes/PendingSong.h"
#include "web/FetchSongInfo.h"
#include "web/SongInfo.h"

class Settings;

class CycleSeam {
public:
    virtual ~CycleSeam() = default;

    // The check box "iTunes 連携": the cycle runs only while it is checked.
    virtual bool IsCooperationChecked() = 0;
    // The read-only box beside "ファイル名".
    virtual void ShowFileName(const std::wstring& name) = 0;
    // The boxes beside "タイトル", "アーティスト" and "アルバム".
    virtual void ShowSongBoxes(const std::wstring& title, const std::wstring& artist,
                               const std::wstring& album) = 0;
    virtual void ClearArtwork() = 0;
    // A small window with the text while a blocking call runs.
    virtual void ShowMessage(const std::wstring& text) = 0;
    virtual void CloseMessage() = 0;

    // Fills `songInfo` from the station's page; leaves it as it was when the
    // page cannot be fetched (see FetchSongFields).
    virtual FetchStatus FetchSongFields(Settings& station, SongInfo& songInfo) = 0;
    // Replaces songInfo.artwork, an address, by the shown picture's path.
    virtual void FetchArtwork(SongInfo& songInfo) = 0;
    // The text of an ID3 frame ("TIT2", "TPE1"); empty when absent or unreadable.
    virtual std::wstring ReadTagText(const std::wstring& path, const char* frameId) = 0;
    virtual bool StripTags(const std::wstring& path) = 0;
    virtual bool RegisterSong(const PendingSong& song, Settings& settings, Settings& station) = 0;
};
