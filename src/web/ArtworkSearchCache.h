#pragma once
// What the artwork search answered per artist and title, so that a song is
// looked up at most once a day; the journal keeps it across runs.
#include <cstdint>
#include <map>
#include <string>
#include <utility>

class ArtworkSearchCache {
public:
    static constexpr std::int64_t kKeepSeconds = 24 * 60 * 60;

    virtual ~ArtworkSearchCache() = default;
    // True when an answer younger than kKeepSeconds is kept; an empty
    // `artworkUrl` then means that the search found nothing.
    virtual bool Get(const std::wstring& artist, const std::wstring& title, std::wstring& artworkUrl) = 0;
    // Keeps the answer (empty: nothing found) from now on.
    virtual void Put(const std::wstring& artist, const std::wstring& title, const std::wstring& artworkUrl) = 0;
};

// The cache for one run of the program.
class MemoryArtworkSearchCache : public ArtworkSearchCache {
public:
    // Beyond this many songs the oldest answer goes.
    static constexpr std::size_t kCapacity = 4096;

    bool Get(const std::wstring& artist, const std::wstring& title, std::wstring& artworkUrl) override;
    void Put(const std::wstring& artist, const std::wstring& title, const std::wstring& artworkUrl) override;

private:
    struct Answer {
        std::wstring artworkUrl;
        std::uint64_t storedAt;  // GetTickCount64
    };
    std::map<std::pair<std::wstring, std::wstring>, Answer> answers_;
};
