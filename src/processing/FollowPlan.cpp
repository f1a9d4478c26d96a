#include "processing/FollowPlan.h"

#include <windows.h>

#include <algorithm>

#include "base/FileIdentity.h"

namespace {

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

struct Candidate {
    std::size_t index;
    std::vector<FileIdentity> folders;
};

bool Shares(const Candidate& a, const Candidate& b) {
    for (const FileIdentity& one : a.folders)
        if (std::find(b.folders.begin(), b.folders.end(), one) != b.folders.end()) return true;
    return false;
}

// Later is better: the latest selection, then a station followed now, then
// the first in the list.
int Rank(const std::wstring& name, const std::vector<std::wstring>& selectionOrder,
         const std::vector<std::wstring>& followedNow) {
    const auto selected = std::find(selectionOrder.rbegin(), selectionOrder.rend(), name);
    if (selected != selectionOrder.rend()) return 2 + static_cast<int>(selectionOrder.rend() - selected);
    return std::find(followedNow.begin(), followedNow.end(), name) != followedNow.end() ? 1 : 0;
}

}  // namespace

std::vector<StationFollowing> PlanFollowing(const std::vector<Station>& stations,
                                            const std::vector<std::wstring>& selectionOrder,
                                            const std::vector<std::wstring>& followedNow) {
    std::vector<StationFollowing> plan(stations.size());
    std::vector<Candidate> candidates;
    for (std::size_t i = 0; i < stations.size(); ++i) {
        const Station& station = stations[i];
        plan[i].name = station.name;
        if (!station.follow) {
            plan[i].reason = FollowReason::SwitchedOff;
        } else if (station.playFolder.empty() || station.endFolder.empty()) {
            plan[i].reason = FollowReason::NoFolders;
        } else if (!IsFolder(station.playFolder) || !IsFolder(station.endFolder)) {
            plan[i].reason = FollowReason::FoldersMissing;
        } else {
            Candidate candidate{i, {}};
            FileIdentity identity;
            // A volume without file indexes is compared by nothing: followed.
            for (const std::wstring* folder : {&station.playFolder, &station.endFolder})
                if (ReadFileIdentity(*folder, identity)) candidate.folders.push_back(identity);
            candidates.push_back(std::move(candidate));
            plan[i].reason = FollowReason::Followed;
        }
    }
    // Groups of stations joined by shared folders; the best of each wins.
    std::vector<int> group(candidates.size(), -1);
    for (std::size_t a = 0; a < candidates.size(); ++a) {
        if (group[a] >= 0) continue;
        group[a] = static_cast<int>(a);
        std::vector<std::size_t> open{a};
        while (!open.empty()) {
            const std::size_t at = open.back();
            open.pop_back();
            for (std::size_t b = 0; b < candidates.size(); ++b) {
                if (group[b] >= 0 || !Shares(candidates[at], candidates[b])) continue;
                group[b] = static_cast<int>(a);
                open.push_back(b);
            }
        }
    }
    for (std::size_t a = 0; a < candidates.size(); ++a) {
        if (group[a] != static_cast<int>(a)) continue;
        std::size_t best = a;
        for (std::size_t b = a + 1; b < candidates.size(); ++b) {
            if (group[b] != static_cast<int>(a)) continue;
            if (Rank(stations[candidates[b].index].name, selectionOrder, followedNow) >
                Rank(stations[candidates[best].index].name, selectionOrder, followedNow))
                best = b;
        }
        for (std::size_t b = a; b < candidates.size(); ++b) {
            if (group[b] != static_cast<int>(a) || b == best) continue;
            StationFollowing& loser = plan[candidates[b].index];
            loser.reason = FollowReason::SharesFolders;
            loser.followedInstead = stations[candidates[best].index].name;
        }
    }
    return plan;
}

std::wstring FollowReasonText(const StationFollowing& following) {
    switch (following.reason) {
    case FollowReason::Followed:
        return {};
    case FollowReason::SwitchedOff:
        return L"この局の曲は登録しません。";
    case FollowReason::NoFolders:
        return L"録音中フォルダと録音終了フォルダを設定すると登録できます。";
    case FollowReason::FoldersMissing:
        return L"録音中フォルダか録音終了フォルダが見つからないため、登録しません。";
    case FollowReason::SharesFolders:
        return L"『" + following.followedInstead +
               L"』と同じフォルダを使うため、コンボボックスで最後に選んだ局だけを登録します。";
    }
    return {};
}
