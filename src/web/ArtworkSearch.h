#pragma once
// Looking a song's artwork up in the music store's search service when its
// station page has none.
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

    // `root` holds IsArtworkSearch and ArtworkSearchUrl, read at each look-up.
    ArtworkSearch(const Settings& root, ArtworkSearchCache& cache, LookupThrottle throttle = LookupThrottle())
        : root_(root), cache_(cache), throttle_(throttle) {}

    // Answers from the cache first; what the service says (found or not) is
    // cached, a failure is not.
    Result Find(const std::wstring& artist, const std::wstring& title);

private:
    // The service's answer for the query at `url`; touches no member, as it
    // runs on a worker thread.
    static Result Ask(const std::wstring& url, const std::wstring& artist, const std::wstring& title);

    const Settings& root_;
    ArtworkSearchCache& cache_;
    LookupThrottle throttle_;
};
