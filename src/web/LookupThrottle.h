#pragma once
// A limit on how often a service is asked: at most `count` times in any
// window of time.
#include <cstddef>
#include <cstdint>
#include <deque>

class LookupThrottle {
public:
    explicit LookupThrottle(std::size_t count = 20, std::uint64_t windowMilliseconds = 60 * 1000)
        : count_(count), window_(windowMilliseconds) {}

    // True, and counted, when one more request fits at `nowMilliseconds`
    // (a steady clock such as GetTickCount64).
    bool TryTake(std::uint64_t nowMilliseconds);

private:
    std::size_t count_;
    std::uint64_t window_;
    std::deque<std::uint64_t> taken_;  // oldest first
};
