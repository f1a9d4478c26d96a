#pragma once
// The page fetches for the songs of the selected station, judged by a
// PageWatch, and what the journal learns from them: each song's page delay
// and one health state per song. The processing cycle drives it: a song
// starts, a second passes, a fetch comes back, the song ends.
#include <string>

#include "journal/Journal.h"
#include "processing/PageWatch.h"
#include "web/FetchSongInfo.h"

class SongPageCheck {
public:
    enum class Next {
        Take,   // use the fetched fields
        Retry,  // the page is stale: fetch again in PageWatch::kRetrySeconds
        Leave,  // nothing to take: the song keeps what it has
    };

    // None in some tests: then nothing is recorded.
    void Attach(journal::Journal* journal) { journal_ = journal; }

    // The song `sourceName` of `station` started; `songId` is its row in the
    // journal, 0 for a skipped song (nothing is recorded for it). `afresh`: the first
    // song after a start or a change of station, compared with nothing.
    void SongStarted(const std::wstring& station, const std::wstring& sourceName, bool afresh,
                     journal::SongId songId = 0);
    void SecondPassed() { ++seconds_; }
    // The song ended: when its page was still stale, that is its state.
    void SongEnded();
    Next Fetched(FetchStatus status, const SongInfo& fetched);

    bool waiting() const { return watch_.waiting(); }
    int seconds() const { return seconds_; }
    // Counts the health states written, so that the window knows to look.
    int healthRecords() const { return healthRecords_; }

private:
    void RecordHealth(journal::ExtractionHealth health);
    void RecordPageDelay();

    PageWatch watch_;
    journal::Journal* journal_ = nullptr;
    journal::SongId songId_ = 0;
    std::wstring sourceName_;
    int seconds_ = 0;
    int healthRecords_ = 0;
};
