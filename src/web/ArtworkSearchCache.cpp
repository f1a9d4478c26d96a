#include "web/ArtworkSearchCache.h"

#include <windows.h>

#include <algorithm>

namespace {

bool IsFresh(std::uint64_t storedAt, std::uint64_t now) {
    return now - storedAt < static_cast<std::uint64_t>(ArtworkSearchCache::kKeepSeconds) * 1000;
}

}  // namespace

bool MemoryArtworkSearchCache::Get(const std::wstring& artist, const std::wstring& title, std::wstring& artworkUrl) {
    const auto found = answers_.find({artist, title});
    if (found == answers_.end() || !IsFresh(found->second.storedAt, GetTickCount64())) return false;
    artworkUrl = found->second.artworkUrl;
    return true;
}

void MemoryArtworkSearchCache::Put(const std::wstring& artist, const std::wstring& title,
                                   const std::wstring& artworkUrl) {
    const std::uint64_t now = GetTickCount64();
    if (answers_.size() >= kCapacity) {
        for (auto i = answers_.begin(); i != answers_.end();) i = IsFresh(i->second.storedAt, now) ? std::next(i) : answers_.erase(i);
    }
    if (answers_.size() >= kCapacity) {
        answers_.erase(std::min_element(answers_.begin(), answers_.end(), [](const auto& a, const auto& b) {
            return a.second.storedAt < b.second.storedAt;
        }));
    }
    answers_[{artist, title}] = Answer{artworkUrl, now};
}
