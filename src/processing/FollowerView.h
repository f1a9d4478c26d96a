#pragma once
// What one follower shows: the window's boxes and artwork belong to the
// station selected in the combo box, so a follower of another station works
// unseen; the page it fetched and the filing's reports always get through.
#include <string>
#include <vector>

#include "processing/CycleView.h"

class FollowerView : public CycleView {
public:
    explicit FollowerView(CycleView& window) : window_(window) {}
    // A job note this view opened is closed with it.
    ~FollowerView();
    FollowerView(const FollowerView&) = delete;
    FollowerView& operator=(const FollowerView&) = delete;

    void SetShown(bool shown) { shown_ = shown; }
    bool shown() const { return shown_; }

    bool IsCooperationChecked() override { return window_.IsCooperationChecked(); }
    void ShowFileName(const std::wstring& name) override;
    void ShowSongBoxes(const std::wstring& title, const std::wstring& artist, const std::wstring& album) override;
    void PageFetched(const std::wstring& station, const std::wstring& html) override;
    // Unseen, a picture counts as shown: the window decodes it when the
    // station is selected.
    bool ShowArtwork(const std::wstring& path) override;
    void ClearArtwork() override;
    void SongGivenUp(const journal::SongRecord& song) override { window_.SongGivenUp(song); }
    void JournalChanged() override { window_.JournalChanged(); }
    void JournalTrouble(const std::wstring& reason) override { window_.JournalTrouble(reason); }
    void JobStarted(const std::wstring& text) override;
    void JobEnded(const std::wstring& text) override;

private:
    CycleView& window_;
    bool shown_ = false;
    std::vector<std::wstring> openJobs_;
};
