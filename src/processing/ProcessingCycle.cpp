#include "processing/ProcessingCycle.h"

#include <algorithm>

#include <windows.h>

#include "base/DiagnosticLog.h"
#include "processing/CycleView.h"
#include "processing/SongServices.h"
#include "settings/Settings.h"
#include "settings/SettingsCatalogue.h"

namespace {

const std::wstring kNone;
const SongInfo kNoSong;
const Station kNoStation;

}  // namespace

ProcessingCycle::~ProcessingCycle() = default;

void ProcessingCycle::ApplySettings(const Settings& root) {
    rules_.ignoreFirst = root.GetBool(L"IgnoreFirst");
    rules_.ignoreList = ReadIgnoreList(root);
    stations_.clear();
    if (const Settings* stations = root.FindGroup(L"Station"))
        for (const auto& [name, station] : stations->groups) stations_.push_back(ReadStation(station));
    if (filing_) filing_->SetStations(stations_);
    following_ = PlanFollowing(stations_, {}, {});
}

void ProcessingCycle::SetClock(std::function<std::uint64_t()> clock) {
    clock_ = std::move(clock);
    if (filing_) filing_->SetClock([this] { return Current(); });
}

Moment ProcessingCycle::Current() const {
    if (!clock_) return Moment::Now();
    return Moment(journal::Now(), static_cast<std::int64_t>(clock_()));
}

std::vector<std::wstring> ProcessingCycle::WatchedFolders() const {
    std::vector<std::wstring> folders;
    if (follower_) folders = {follower_->station().playFolder, follower_->station().endFolder};
    // Songs still awaiting their hand-over arrive in their own stations' end folders.
    if (filing_) {
        for (const std::wstring& folder : filing_->HandOverFolders())
            if (std::find(folders.begin(), folders.end(), folder) == folders.end()) folders.push_back(folder);
    }
    return folders;
}

void ProcessingCycle::AttachJournal(journal::Journal& journal, const std::wstring& artworkRoot,
                                    const std::wstring& programFolder) {
    filing_ = std::make_unique<Filing>(journal, services_, view_, artworkRoot);
    filing_->SetStations(stations_);
    if (clock_) filing_->SetClock([this] { return Current(); });
    filing_->Resume(Current(), programFolder);
    if (!pendingStation_.name.empty() || !pendingStation_.playFolder.empty()) SelectStation(pendingStation_);
}

bool ProcessingCycle::RetryNow(journal::SongId id) { return filing_ && filing_->RetryNow(id, Current()); }

bool ProcessingCycle::Tick(Scope scope) {
    try {
        return Run(scope);
    } catch (...) {
        // Nothing may leave a timer handler; the next tick starts afresh.
        LogFailure("処理の周期で例外", std::string_view());
        return false;
    }
}

bool ProcessingCycle::Run(Scope scope) {
    if (!filing_ || !view_.IsCooperationChecked()) return false;
    const Moment now = Current();
    const std::uint64_t nowMs = static_cast<std::uint64_t>(now.steadyMs);
    bool fresh = false;
    if (scope != Scope::CountdownOnly && follower_) {
        ++folderScans_;
        fresh = follower_->Scan(now, nowMs);
    }
    // Files what has arrived in the end folders, retries what is due.
    filing_->Step(now);
    if (scope == Scope::NewRecordingOnly && !fresh) return false;
    if (follower_) follower_->SecondPassed();
    return true;
}

void ProcessingCycle::SelectStation(const Station& station) {
    if (!filing_) {
        pendingStation_ = station;
        return;
    }
    // The song in progress is cut off (the recorder follows the other
    // station): it is not filed.
    if (follower_) follower_->Abandon();
    follower_ = std::make_unique<StationFollower>(station, *filing_, services_, view_, rules_);
}

void ProcessingCycle::UpdateStation(const Station& station) {
    if (follower_ && follower_->station().playFolder == station.playFolder &&
        follower_->station().endFolder == station.endFolder) {
        follower_->Update(station);
        return;
    }
    SelectStation(station);
}

const std::wstring& ProcessingCycle::currentRecording() const {
    return follower_ ? follower_->currentRecording() : kNone;
}

const SongInfo& ProcessingCycle::songInfo() const { return follower_ ? follower_->songInfo() : kNoSong; }

const Station& ProcessingCycle::currentStation() const {
    return follower_ ? follower_->station() : filing_ ? kNoStation : pendingStation_;
}

StationFollower* ProcessingCycle::FollowerOf(const std::wstring& name) {
    return follower_ && follower_->station().name == name ? follower_.get() : nullptr;
}
