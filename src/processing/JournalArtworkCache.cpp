#include "processing/JournalArtworkCache.h"

bool JournalArtworkCache::Get(const std::wstring& artist, const std::wstring& title, std::wstring& artworkUrl) {
    if (journal_) {
        if (const auto entry = journal_->FindArtworkSearch(artist, title, journal::Now())) {
            artworkUrl = entry->url;
            return true;
        }
    }
    return memory_.Get(artist, title, artworkUrl);
}

void JournalArtworkCache::Put(const std::wstring& artist, const std::wstring& title, const std::wstring& artworkUrl) {
    if (journal_ && journal_->SaveArtworkSearch(artist, title, artworkUrl, journal::Now())) return;
    memory_.Put(artist, title, artworkUrl);
}
