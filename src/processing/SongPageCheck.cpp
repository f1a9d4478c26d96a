#include "processing/SongPageCheck.h"

#include "processing/StationHealth.h"

void SongPageCheck::SongStarted(const std::wstring& station, const std::wstring& sourceName, bool afresh,
                                journal::SongId songId) {
    if (afresh) watch_.Reset();
    watch_.Start(station);
    sourceName_ = sourceName;
    songId_ = songId;
    seconds_ = 0;
}

void SongPageCheck::SongEnded() {
    if (!watch_.waiting()) return;
    watch_.Abandon();
    // registered with what its tags say
    RecordHealth(journal::ExtractionHealth::PageNotUpdated);
}

SongPageCheck::Next SongPageCheck::Fetched(FetchStatus status, const SongInfo& fetched) {
    if (status == FetchStatus::NoAddress || status == FetchStatus::FetchFailed) {
        watch_.Abandon();
        if (status == FetchStatus::FetchFailed) RecordHealth(journal::ExtractionHealth::FetchFailed);
        return Next::Leave;
    }
    switch (watch_.Judge(fetched, seconds_)) {
    case PageWatch::Verdict::Retry: return Next::Retry;
    case PageWatch::Verdict::GiveUp: RecordHealth(journal::ExtractionHealth::PageNotUpdated); return Next::Leave;
    case PageWatch::Verdict::Take: break;
    }
    journal::ExtractionHealth health;
    if (HealthOfFetch(status, health)) RecordHealth(health);
    if (status == FetchStatus::Ok && watch_.compared()) RecordPageDelay();
    return Next::Take;
}

void SongPageCheck::RecordHealth(journal::ExtractionHealth health) {
    if (!journal_) return;
    journal_->AddHealth(watch_.station(), health, journal::Now());
    ++healthRecords_;
}

void SongPageCheck::RecordPageDelay() {
    // A skipped song has no row of its own, and gets none from here.
    if (!journal_ || songId_ <= 0) return;
    journal_->SavePageDelay(songId_, seconds_);
}
