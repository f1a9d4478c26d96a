#pragma once
// Which newly noticed song counts as "the first" (skipped under IgnoreFirst,
// fetched at once otherwise): the first after start or a station change, and
// the first after the play folder stayed empty for longer than kEmptyGap. A
// recorder that moves the finished file before it creates the next leaves
// the folder empty for a tick; that gap starts nothing new.
#include <cstdint>

class FirstSongRule {
public:
    static constexpr std::uint64_t kEmptyGapMs = 10000;

    // Start, or another station: the next song is the first.
    void Restart() {
        fresh_ = true;
        emptySince_ = 0;
    }
    // The play folder holds no song at `nowMs`.
    void FolderEmpty(std::uint64_t nowMs) {
        if (!emptySince_) emptySince_ = nowMs ? nowMs : 1;
    }
    // A new song was noticed at `nowMs`: whether it is the first.
    bool NewSong(std::uint64_t nowMs) {
        const bool first = fresh_ || (emptySince_ && nowMs - emptySince_ > kEmptyGapMs);
        fresh_ = false;
        emptySince_ = 0;
        return first;
    }

private:
    bool fresh_ = true;
    std::uint64_t emptySince_ = 0;  // 0: not empty
};
