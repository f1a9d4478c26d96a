#pragma once
// A station's WaitTime from how late its page caught up with recent songs.
#include <vector>

struct WaitCalibration {
    static constexpr int kSongs = 10;  // the delays looked at
    static constexpr int kMargin = 2;  // seconds added to the 90th percentile

    int average = 0;    // rounded seconds
    int suggested = 0;  // the 90th percentile plus the margin, within [0, maxWaitTime]
};

// False when there are no delays. `delays` in seconds, any order.
bool CalibrateWaitTime(const std::vector<int>& delays, int maxWaitTime, WaitCalibration& calibration);
