#pragma once
// The road's jobs on the real things: the station's page, the artwork, the
// MP3's tags and the iTunes library. Each job runs on a worker (the library
// on the registration queue's one worker) and reports through the window's
// completions.
#include <memory>
#include <string>

#include "base/Completions.h"
#include "processing/JournalArtworkCache.h"
#include "processing/PageFetchGate.h"
#include "processing/SongServices.h"
#include "settings/LibraryRules.h"
#include "web/ArtworkSearch.h"

class RegistrationQueue;
class Settings;

class SongWork : public SongServices {
public:
    // `root` holds the artwork search's switch and address, read at each look-up.
    SongWork(const Settings& root, CompletionsPtr completions);
    ~SongWork() override;

    // The artwork search's answers are kept there across runs.
    void AttachJournal(journal::Journal* journal) { artworkSearchCache_.Attach(journal); }
    // What the library step is told to do; read again after every settings change.
    void SetLibraryRules(LibraryRules rules) { rules_ = std::move(rules); }
    // Registrations queued or running.
    size_t registrationsWaiting() const;

    void FetchPage(const Station& station, std::function<void(Page)> done) override;
    void FetchArtwork(const std::wstring& folder, const SongInfo& info, std::function<void(std::wstring)> done) override;
    void RetagFile(const Retag& job, std::function<void(Retagged)> done) override;
    void RegisterSong(const PendingSong& song, std::function<void(const RegistrationResult&)> done) override;

private:
    // The download (and, when it fails, the search's answer) on a worker.
    void DownloadArtwork(const std::wstring& folder, const std::wstring& url, const SongInfo& info,
                         bool searchAfter, std::function<void(std::wstring)> done);
    void SearchArtwork(const std::wstring& folder, const SongInfo& info, std::function<void(std::wstring)> done);

    CompletionsPtr completions_;
    PageFetchGate pageFetches_;
    LibraryRules rules_;
    JournalArtworkCache artworkSearchCache_;
    ArtworkSearch artworkSearch_;
    std::unique_ptr<RegistrationQueue> registrations_;
};
