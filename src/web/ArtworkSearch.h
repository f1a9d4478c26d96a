#pragma once
// Looking a song's artwork up in the music store's search service when its
// station page has none. The owner's thread prepares a look-up (cache,
// throttle) and remembers its answer; the service is asked on a worker.
#include <string>

#include "web/ArtworkSearchCache.h"
#include "web/LookupThrottle.h"

class Settings;

class ArtworkSearch {
public:
    enum class Outcome {
        Found,      // artworkUrl is the address of the picture
        NotFound,   // no result names this artist and title
        Throttled,  // too many look-ups this minute: not asked
        Failed,     // no answer, an HTTP error or no search result list
        Off,        // IsArtworkSearch is off, or the artist or title is empty
    };
    struct Result {
        Outcome outcome = Outcome::Off;
        std::wstring artworkUrl;
    };
    // What Prepare decided: `queryUrl` to Ask, or, when that is empty, the
    // answer already known.
    struct Prepared {
        Result known;
        std::wstring queryUrl;
    };

    // `root` holds IsArtworkSearch and ArtworkSearchUrl, read at each look-up.
    ArtworkSearch(const Settings& root, ArtworkSearchCache& cache, LookupThrottle throttle = LookupThrottle())
        : root_(root), cache_(cache), throttle_(throttle) {}

    // On the owner's thread: the cached answer, Off or Throttled, or the
    // query to ask (counted against the throttle).
    Prepared Prepare(const std::wstring& artist, const std::wstring& title);
    // On any thread: the service's answer for `queryUrl`. Touches nothing
    // shared; blocks for the length of one HTTP exchange.
    static Result Ask(const std::wstring& queryUrl, const std::wstring& artist, const std::wstring& title);
    // On the owner's thread: caches what the service said (found or not);
    // a failure is not kept, so the song is asked again next time.
    void Remember(const std::wstring& artist, const std::wstring& title, const Result& result);

    // All three in turn on the calling thread, which waits for the service.
    Result Find(const std::wstring& artist, const std::wstring& title);

private:
    const Settings& root_;
    ArtworkSearchCache& cache_;
    LookupThrottle throttle_;
};
