#pragma once
// Whether the station's page has caught up with the song being recorded.
// Many stations update their now-playing page well after the song starts;
// a page that still names the station's previous song is fetched again
// every kRetrySeconds until kPatienceSeconds after the start. Time is the
// cycle's: seconds since the song started.
#include <string>

#include "web/FetchSongInfo.h"
#include "web/SongInfo.h"

class PageWatch {
public:
    static constexpr int kRetrySeconds = 5;
    static constexpr int kPatienceSeconds = 120;

    enum class Verdict {
        Take,    // the page shows this song (or there is nothing to compare)
        Retry,   // still the previous song: fetch again in kRetrySeconds
        GiveUp,  // still the previous song and no time left
    };

    // A song of `station` started. The previous song's fields are kept only
    // while the station stays the same.
    void Start(const std::wstring& station);
    // Judges the fetch made `elapsed` seconds after the start.
    Verdict Judge(const SongInfo& fetched, int elapsed);

    // Stale fetches so far, with no verdict Take or GiveUp yet.
    bool waiting() const { return waiting_; }
    // The last verdict Take compared the page with the previous song: only
    // then does its time say when the page caught up.
    bool compared() const { return compared_; }
    const std::wstring& station() const { return station_; }
    // The song ended or was given up while waiting: the page was stale for it.
    void Abandon() { waiting_ = false; }
    // Forget the previous song: the next fetch is taken as it is.
    void Reset() { *this = PageWatch(); }

private:
    std::wstring station_;
    std::wstring lastTitle_;   // what the page named when last taken
    std::wstring lastArtist_;
    bool waiting_ = false;
    bool compared_ = false;
};
