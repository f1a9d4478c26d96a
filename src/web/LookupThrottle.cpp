#include "web/LookupThrottle.h"

bool LookupThrottle::TryTake(std::uint64_t now) {
    while (!taken_.empty() && now - taken_.front() >= window_) taken_.pop_front();
    if (taken_.size() >= count_) return false;
    taken_.push_back(now);
    return true;
}
