#pragma once
// What the processing cycle shows: the main window's boxes, the artwork and
// the message window. The main window implements it; tests record it.
#include <string>

#include "journal/JournalTypes.h"
#include "web/ArtworkView.h"

class CycleView : public ArtworkView {
public:
    // The check box "iTunes 連携": the cycle runs only while it is checked.
    virtual bool IsCooperationChecked() = 0;
    // The read-only box beside "ファイル名".
    virtual void ShowFileName(const std::wstring& name) = 0;
    // The boxes beside "タイトル", "アーティスト" and "アルバム".
    virtual void ShowSongBoxes(const std::wstring& title, const std::wstring& artist,
                               const std::wstring& album) = 0;
    // A small window with the text while a blocking call runs.
    virtual void ShowMessage(const std::wstring& text) = 0;
    virtual void CloseMessage() = 0;
    // A song was given up (hand-over never came, or retries ran out).
    virtual void SongGivenUp(const journal::SongRecord& song) {}
    // A song's row in the journal changed.
    virtual void JournalChanged() {}
};
