#include "processing/PageWatch.h"

#include "base/SongText.h"

void PageWatch::Start(const std::wstring& station) {
    if (station != station_) {
        lastTitle_.clear();
        lastArtist_.clear();
        station_ = station;
    }
    waiting_ = false;
}

PageWatch::Verdict PageWatch::Judge(const SongInfo& fetched, int elapsed) {
    compared_ = !lastTitle_.empty() && !lastArtist_.empty();
    const bool stale = compared_ && SameSongText(fetched.title, lastTitle_) &&
                       SameSongText(fetched.artist, lastArtist_);
    if (!stale) {
        waiting_ = false;
        // A page that names no song leaves the comparison as it was.
        if (!fetched.title.empty() && !fetched.artist.empty()) {
            lastTitle_ = fetched.title;
            lastArtist_ = fetched.artist;
        }
        return Verdict::Take;
    }
    if (elapsed + kRetrySeconds > kPatienceSeconds) {
        waiting_ = false;
        return Verdict::GiveUp;
    }
    waiting_ = true;
    return Verdict::Retry;
}
