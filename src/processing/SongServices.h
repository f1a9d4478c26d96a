#pragma once
// The work the road hands out: the station's page, the artwork, the file's
// tags and the library. Each call starts a job and returns at once; `done` runs later
// on the road's own thread (the window's), never inside the call. The
// program's implementation is SongWork; tests record the calls.
#include <functional>
#include <string>

#include "itunes/LibraryAction.h"
#include "itunes/PendingSong.h"
#include "settings/Station.h"
#include "web/FetchSongInfo.h"
#include "web/SongInfo.h"

class SongServices {
public:
    struct Page {
        FetchStatus status = FetchStatus::FetchFailed;
        SongInfo info;      // as extracted; the artwork still an address
        std::wstring html;  // the page as fetched, for the station dialog
    };
    // What becomes of the recorder's tags before the song is finished:
    // stripped for the library, or our own tag written in their place.
    struct Retag {
        std::wstring path;
        bool writeTag = false;
        // The written tag's fields as the road has them; an empty title or
        // artist is taken from the recorder's tag.
        std::wstring title, artist, album, comment;
        std::wstring artworkPath;  // our checked copy of the picture; empty: none
    };
    struct Retagged {
        bool done = false;  // false: the file is as it was
        // The recorder's own tag, read before anything changed, for what the
        // page did not say.
        std::wstring tagTitle;
        std::wstring tagArtist;
        int seconds = -1;  // how long the song plays; -1: not known
    };

    virtual ~SongServices() = default;

    virtual void FetchPage(const Station& station, std::function<void(Page)> done) = 0;
    // The picture at info.artwork, or one the artwork search finds by artist
    // and title, saved into `folder` (emptied first) and checked to decode:
    // done(path), or done("") when there is none.
    virtual void FetchArtwork(const std::wstring& folder, const SongInfo& info,
                              std::function<void(std::wstring)> done) = 0;
    virtual void RetagFile(const Retag& job, std::function<void(Retagged)> done) = 0;
    // Queued: one registration at a time, in the order asked. `done` may run
    // a second time for the same song: a registration given up at its
    // deadline that then succeeded after all.
    virtual void RegisterSong(const PendingSong& song, std::function<void(const RegistrationResult&)> done) = 0;
};
