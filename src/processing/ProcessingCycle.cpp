#include "processing/ProcessingCycle.h"

#include <algorithm>

#include <windows.h>

#include "base/DiagnosticLog.h"
#include "base/PathHelpers.h"
#include "processing/CycleView.h"
#include "processing/SongServices.h"
#include "settings/Settings.h"
#include "settings/SettingsCatalogue.h"

namespace {

const std::wstring kNone;
const SongInfo kNoSong;

bool SameFolder(const std::wstring& a, const std::wstring& b) {
    return !a.empty() && ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

bool SameFolders(const Station& a, const Station& b) {
    return a.playFolder == b.playFolder && a.endFolder == b.endFolder;
}

}  // namespace

ProcessingCycle::~ProcessingCycle() = default;

void ProcessingCycle::ApplySettings(const Settings& root) {
    rules_.ignoreFirst = root.GetBool(L"IgnoreFirst");
    rules_.ignoreList = ReadIgnoreList(root);
    target_ = ReadLibraryTarget(root);
    if (filing_) filing_->SetTarget(target_);
    settingsStations_.clear();
    if (const Settings* stations = root.FindGroup(L"Station"))
        for (const auto& [name, station] : stations->groups) settingsStations_.push_back(ReadStation(station));
    Reconcile();
}

void ProcessingCycle::SetClock(std::function<std::uint64_t()> clock) {
    clock_ = std::move(clock);
    if (filing_) filing_->SetClock([this] { return Current(); });
}

Moment ProcessingCycle::Current() const {
    if (!clock_) return Moment::Now();
    return Moment(journal::Now(), static_cast<std::int64_t>(clock_()));
}

std::vector<WatchedFolder> ProcessingCycle::WatchedFolders() const {
    std::vector<WatchedFolder> folders;
    // Only a play folder's writes tell anything (a file other than the
    // recording written to); end folders only have files moved in.
    const auto add = [&folders](const std::wstring& folder, bool writes) {
        if (folder.empty()) return;
        for (WatchedFolder& known : folders) {
            if (SameFolder(known.path, folder)) {
                known.writes = known.writes || writes;
                return;
            }
        }
        folders.push_back({folder, writes});
    };
    for (const Followed& each : followed_) {
        add(each.follower->station().playFolder, true);
        add(each.follower->station().endFolder, false);
    }
    // Songs still awaiting their hand-over arrive in their own stations' end folders.
    if (filing_)
        for (const std::wstring& folder : filing_->HandOverFolders()) add(folder, false);
    return folders;
}

void ProcessingCycle::MarkChanged(const std::wstring& folder) {
    for (Followed& each : followed_) {
        const Station& station = each.follower->station();
        if (SameFolder(station.playFolder, folder) || SameFolder(station.endFolder, folder)) each.scanDue = true;
    }
}

bool ProcessingCycle::ChangesPending() const {
    return std::any_of(followed_.begin(), followed_.end(), [](const Followed& each) { return each.scanDue; });
}

const std::wstring& ProcessingCycle::RecordingIn(const std::wstring& playFolder) const {
    for (const Followed& each : followed_)
        if (SameFolder(each.follower->station().playFolder, playFolder)) return each.follower->currentRecording();
    return kNone;
}

void ProcessingCycle::AttachJournal(journal::Journal& journal, const std::wstring& artworkRoot,
                                    const std::wstring& programFolder) {
    filing_ = std::make_unique<Filing>(journal, services_, view_, artworkRoot);
    filing_->SetStations(stations_);
    filing_->SetTarget(target_);
    if (clock_) filing_->SetClock([this] { return Current(); });
    filing_->Resume(Current(), programFolder);
    Reconcile();
    ShowSelected();
}

bool ProcessingCycle::RetryNow(journal::SongId id) { return filing_ && filing_->RetryNow(id, Current()); }

bool ProcessingCycle::FinishWithoutLibrary(journal::SongId id) {
    return filing_ && filing_->FinishWithoutLibrary(id, Current());
}

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
    if (scope == Scope::ScanFolders) FollowArrivedFolders();
    bool fresh = false;
    if (scope != Scope::CountdownOnly) {
        for (Followed& each : followed_) {
            if (scope != Scope::ScanFolders && !each.scanDue) continue;
            each.scanDue = false;
            ++folderScans_;
            if (each.follower->Scan(now, nowMs)) fresh = true;
        }
    }
    // Files what has arrived in the end folders, retries what is due.
    filing_->Step(now);
    if (scope == Scope::NewRecordingOnly && !fresh) return false;
    for (Followed& each : followed_) each.follower->SecondPassed();
    return true;
}

void ProcessingCycle::FollowArrivedFolders() {
    // A folder on a drive plugged in later, or made by the recorder.
    const bool waiting = std::any_of(following_.begin(), following_.end(), [](const StationFollowing& each) {
        return each.reason == FollowReason::FoldersMissing;
    });
    if (!waiting) return;
    StationFollower* const before = follower_;
    Reconcile();
    if (follower_ != before) ShowSelected();
}

void ProcessingCycle::PutStation(const Station& station) {
    selected_ = station;
    selectionOrder_.erase(std::remove(selectionOrder_.begin(), selectionOrder_.end(), station.name),
                          selectionOrder_.end());
    selectionOrder_.push_back(station.name);
}

void ProcessingCycle::SelectStation(const Station& station) {
    PutStation(station);
    Reconcile();
    ShowSelected();
}

void ProcessingCycle::UpdateStation(const Station& station) {
    StationFollower* const before = follower_;
    // Renamed: the follower takes the new name and goes on.
    if (follower_ && follower_->station().name != station.name && SameFolders(follower_->station(), station))
        follower_->Update(station);
    PutStation(station);
    Reconcile();
    if (follower_ != before) ShowSelected();
}

ProcessingCycle::Followed* ProcessingCycle::Find(const std::wstring& name) {
    for (Followed& each : followed_)
        if (each.follower->station().name == name) return &each;
    return nullptr;
}

void ProcessingCycle::Reconcile() {
    // The settings' stations, and the one selected when it is not among
    // them (a station being added, or tests that follow one by itself).
    stations_ = settingsStations_;
    const bool selectedIsStored =
        std::any_of(stations_.begin(), stations_.end(), [this](const Station& each) { return each.name == selected_.name; });
    if (!selectedIsStored && (!selected_.name.empty() || !selected_.playFolder.empty())) stations_.push_back(selected_);
    if (filing_) filing_->SetStations(stations_);

    std::vector<std::wstring> followedNow;
    for (const Followed& each : followed_) followedNow.push_back(each.follower->station().name);
    const std::vector<StationFollowing> plan = PlanFollowing(stations_, selectionOrder_, followedNow);
    following_.assign(plan.begin(), plan.begin() + static_cast<std::ptrdiff_t>(settingsStations_.size()));
    if (!filing_) return;  // followers start with the journal

    std::vector<bool> kept(followed_.size(), false);
    std::vector<Followed> next;
    for (std::size_t i = 0; i < plan.size(); ++i) {
        if (plan[i].reason != FollowReason::Followed) continue;
        const Station& station = stations_[i];
        // The same station: its song goes on while its folders stay.
        std::size_t found = followed_.size();
        for (std::size_t k = 0; k < followed_.size() && found == followed_.size(); ++k)
            if (!kept[k] && followed_[k].follower->station().name == station.name) found = k;
        if (found < followed_.size() && SameFolders(followed_[found].follower->station(), station)) {
            kept[found] = true;
            followed_[found].follower->Update(station);
            next.push_back(std::move(followed_[found]));
            continue;
        }
        Followed fresh;
        fresh.view = std::make_unique<FollowerView>(view_);
        fresh.follower = std::make_unique<StationFollower>(station, *filing_, services_, *fresh.view, rules_);
        next.push_back(std::move(fresh));
    }
    // Not followed any more: the song in progress is cut off, not filed.
    for (std::size_t k = 0; k < followed_.size(); ++k)
        if (!kept[k] && followed_[k].follower) followed_[k].follower->Abandon();
    followed_ = std::move(next);
    follower_ = nullptr;
    for (Followed& each : followed_) {
        const bool shown = each.follower->station().name == selected_.name;
        each.view->SetShown(shown);
        if (shown) follower_ = each.follower.get();
    }
}

void ProcessingCycle::ShowSelected() {
    if (!follower_) {
        view_.ShowFileName(std::wstring());
        view_.ShowSongBoxes(std::wstring(), std::wstring(), std::wstring());
        view_.ClearArtwork();
        return;
    }
    view_.ShowFileName(FileNameOf(follower_->currentRecording()));
    const SongInfo& info = follower_->songInfo();
    view_.ShowSongBoxes(info.title, info.artist, info.album);
    if (info.artwork.empty() || !view_.ShowArtwork(info.artwork)) view_.ClearArtwork();
}

const std::wstring& ProcessingCycle::currentRecording() const {
    return follower_ ? follower_->currentRecording() : kNone;
}

const SongInfo& ProcessingCycle::songInfo() const { return follower_ ? follower_->songInfo() : kNoSong; }

const Station& ProcessingCycle::currentStation() const { return follower_ ? follower_->station() : selected_; }

StationFollower* ProcessingCycle::FollowerOf(const std::wstring& name) {
    Followed* found = Find(name);
    return found ? found->follower.get() : nullptr;
}

std::vector<const StationFollower*> ProcessingCycle::followers() const {
    std::vector<const StationFollower*> all;
    for (const Followed& each : followed_) all.push_back(each.follower.get());
    return all;
}
