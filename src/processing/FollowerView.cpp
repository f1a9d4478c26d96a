#include "processing/FollowerView.h"

#include <algorithm>

FollowerView::~FollowerView() {
    for (const std::wstring& text : openJobs_) window_.JobEnded(text);
}

void FollowerView::ShowFileName(const std::wstring& name) {
    if (shown_) window_.ShowFileName(name);
}

void FollowerView::ShowSongBoxes(const std::wstring& title, const std::wstring& artist, const std::wstring& album) {
    if (shown_) window_.ShowSongBoxes(title, artist, album);
}

void FollowerView::PageFetched(const std::wstring& station, const std::wstring& html) {
    window_.PageFetched(station, html);
}

bool FollowerView::ShowArtwork(const std::wstring& path) { return shown_ ? window_.ShowArtwork(path) : true; }

void FollowerView::ClearArtwork() {
    if (shown_) window_.ClearArtwork();
}

void FollowerView::JobStarted(const std::wstring& text) {
    // Another station's page is no job the user waits on.
    if (!shown_) return;
    openJobs_.push_back(text);
    window_.JobStarted(text);
}

void FollowerView::JobEnded(const std::wstring& text) {
    const auto open = std::find(openJobs_.begin(), openJobs_.end(), text);
    if (open == openJobs_.end()) return;
    openJobs_.erase(open);
    window_.JobEnded(text);
}
