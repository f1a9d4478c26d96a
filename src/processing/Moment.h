#pragma once
// A point in time on both clocks: the wall clock, which the journal stores
// and which decides across restarts, and a steady clock (milliseconds), which
// decides every wait within a session, whatever the user does to the clock.
#include <cstdint>

#include "journal/JournalTypes.h"

struct Moment {
    journal::Time wall = 0;
    std::int64_t steadyMs = 0;

    Moment() = default;
    Moment(journal::Time wallTime, std::int64_t steady) : wall(wallTime), steadyMs(steady) {}
    // A wall time alone: the steady clock keeps step with it (tests).
    Moment(journal::Time wallTime) : wall(wallTime), steadyMs(wallTime * 1000) {}  // NOLINT: implicit on purpose

    // Now, on both clocks.
    static Moment Now();
};
