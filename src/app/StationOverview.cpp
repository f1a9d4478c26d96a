#include "app/StationOverview.h"

#include <algorithm>
#include <numeric>

#include <windows.h>

#include "base/PathHelpers.h"
#include "journal/Journal.h"
#include "processing/ProcessingCycle.h"

namespace {

bool SamePlan(const std::vector<StationFollowing>& a, const std::vector<StationFollowing>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const StationFollowing& x, const StationFollowing& y) {
        return x.name == y.name && x.reason == y.reason;
    });
}

// The line shortest lines give up nothing; the rest share what is left.
std::vector<size_t> FairWidths(const std::vector<std::wstring>& lines, size_t room) {
    std::vector<size_t> order(lines.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::sort(order.begin(), order.end(), [&lines](size_t a, size_t b) { return lines[a].size() < lines[b].size(); });
    std::vector<size_t> widths(lines.size());
    size_t left = lines.size();
    for (size_t index : order) {
        widths[index] = std::min(lines[index].size(), room / left);
        room -= widths[index];
        --left;
    }
    return widths;
}

std::wstring Cut(const std::wstring& text, size_t width) {
    if (text.size() <= width) return text;
    if (width == 0) return std::wstring();
    size_t kept = width - 1;
    // Never half a surrogate pair.
    if (kept > 0 && IS_HIGH_SURROGATE(text[kept - 1])) --kept;
    return text.substr(0, kept) + L"…";
}

}  // namespace

bool StationOverview::Look(ProcessingCycle& cycle, journal::Journal* journal, std::vector<Warning>& warnings) {
    bool changed = !SamePlan(plan_, cycle.following());
    plan_ = cycle.following();
    std::map<std::wstring, Seen> seen;
    for (const StationFollowing& station : plan_) {
        StationFollower* follower = station.reason == FollowReason::Followed ? cycle.FollowerOf(station.name) : nullptr;
        if (!follower) continue;
        const int records = follower->pageCheck().healthRecords();
        const auto before = seen_.find(station.name);
        const bool known = before != seen_.end() && before->second.follower == follower;
        Seen now{follower, records, known && before->second.unwell};
        if (!known || records != before->second.healthRecords) {
            std::vector<journal::ExtractionHealth> recent;
            if (journal) recent = journal->RecentHealth(station.name, HealthWarning::kFailuresInARow);
            now.unwell = !recent.empty() && recent.front() != journal::ExtractionHealth::Ok;
            // A state recorded since the last look, not one found at the first.
            if (known && warnings_[station.name].Due(recent)) warnings.push_back({station.name, recent.front()});
        }
        if (!known || now.unwell != before->second.unwell) changed = true;
        seen[station.name] = now;
    }
    if (seen.size() != seen_.size()) changed = true;
    seen_ = std::move(seen);
    return changed;
}

StationMark StationOverview::MarkOf(const std::wstring& station) const {
    const auto found = seen_.find(station);
    if (found == seen_.end()) return StationMark::NotFollowed;
    return found->second.unwell ? StationMark::Unwell : StationMark::Followed;
}

std::vector<StationSong> StationOverview::Songs(ProcessingCycle& cycle) {
    std::vector<StationSong> songs;
    for (const StationFollowing& station : cycle.following()) {
        const StationFollower* follower = cycle.FollowerOf(station.name);
        if (!follower) continue;
        const SongInfo& info = follower->songInfo();
        std::wstring song = info.title;
        if (!info.title.empty() && !info.artist.empty()) song += L" - ";
        song += info.artist;
        if (song.empty()) song = FileNameOf(follower->currentRecording());
        songs.push_back({station.name, song});
    }
    // As the station list sorts them.
    std::sort(songs.begin(), songs.end(),
              [](const StationSong& a, const StationSong& b) { return ::lstrcmpiW(a.station.c_str(), b.station.c_str()) < 0; });
    return songs;
}

std::wstring TrayTipText(const std::wstring& heading, const std::vector<StationSong>& songs, size_t limit) {
    // At least a name's start and a little of its song on each line shown.
    constexpr size_t kNarrowest = 12;
    const size_t headingWidth = std::min(heading.size(), limit);
    std::wstring tip = Cut(heading, headingWidth);
    std::vector<std::wstring> lines;
    for (const StationSong& each : songs) lines.push_back(each.song.empty() ? each.station : each.station + L": " + each.song);
    const size_t room = limit - headingWidth;
    size_t shown = lines.size();
    std::wstring rest;
    size_t needed = 0;
    for (const std::wstring& line : lines) needed += 1 + line.size();
    if (needed > room) {
        for (;; --shown) {
            rest = shown < lines.size() ? L"\nほか " + std::to_wstring(lines.size() - shown) + L" 局" : L"";
            if (shown == 0 || (rest.size() <= room && shown * (kNarrowest + 1) <= room - rest.size())) break;
        }
        if (rest.size() > room) rest.clear();
    }
    lines.resize(shown);
    const size_t lineRoom = shown ? room - rest.size() - shown : 0;  // less the line breaks
    const std::vector<size_t> widths = FairWidths(lines, lineRoom);
    for (size_t i = 0; i < shown; ++i) tip += L"\n" + Cut(lines[i], widths[i]);
    return tip + rest;
}
