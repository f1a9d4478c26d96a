#pragma once
// What the road shows: the main window's boxes, the artwork and the message
// window, and what it tells the window. The main window implements it; tests
// record it.
#include <string>

#include "journal/JournalTypes.h"
#include "processing/Filing.h"
#include "web/ArtworkView.h"

class CycleView : public ArtworkView, public FilingView {
public:
    // The check box "iTunes 連携": the road runs only while it is checked.
    virtual bool IsCooperationChecked() = 0;
    // The read-only box beside "ファイル名".
    virtual void ShowFileName(const std::wstring& name) = 0;
    // The boxes beside "タイトル", "アーティスト" and "アルバム".
    virtual void ShowSongBoxes(const std::wstring& title, const std::wstring& artist,
                               const std::wstring& album) = 0;
    // The station's page as last fetched, kept for the station dialog.
    virtual void PageFetched(const std::wstring& station, const std::wstring& html) {}
};
