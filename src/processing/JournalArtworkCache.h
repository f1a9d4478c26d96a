#pragma once
// The artwork search's answers kept in the journal, so that a song is looked
// up at most once a day across runs. Until a journal is attached (and when
// it fails) the answers live for this run only.
#include "journal/Journal.h"
#include "web/ArtworkSearchCache.h"

class JournalArtworkCache : public ArtworkSearchCache {
public:
    void Attach(journal::Journal* journal) { journal_ = journal; }

    bool Get(const std::wstring& artist, const std::wstring& title, std::wstring& artworkUrl) override;
    void Put(const std::wstring& artist, const std::wstring& title, const std::wstring& artworkUrl) override;

private:
    journal::Journal* journal_ = nullptr;
    MemoryArtworkSearchCache memory_;
};
