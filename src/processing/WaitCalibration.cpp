#include "processing/WaitCalibration.h"

#include <algorithm>

bool CalibrateWaitTime(const std::vector<int>& delays, int maxWaitTime, WaitCalibration& calibration) {
    if (delays.empty()) return false;
    std::vector<int> sorted = delays;
    std::sort(sorted.begin(), sorted.end());
    long long sum = 0;
    for (int delay : sorted) sum += delay;
    const long long count = static_cast<long long>(sorted.size());
    calibration.average = static_cast<int>((sum + count / 2) / count);
    // nearest rank: the smallest delay at or above 90 % of the songs
    const size_t rank = static_cast<size_t>((count * 9 + 9) / 10);
    const int percentile = sorted[rank - 1];
    calibration.suggested = std::clamp(percentile + WaitCalibration::kMargin, 0, maxWaitTime);
    return true;
}
