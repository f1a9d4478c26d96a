#pragma once
// Timing for the benchmarks: the best of several runs, and one line per
// comparison with the ratio against a baseline measured in the same run.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace bench {

inline double Seconds() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

inline double Milliseconds() { return Seconds() * 1000.0; }

// Best time of `runs` calls, in milliseconds.
inline double BestOf(int runs, const std::function<void()>& work) {
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        const double start = Seconds();
        work();
        best = std::min(best, (Seconds() - start) * 1000.0);
    }
    return best;
}

inline void Report(const char* what, double measured, double baseline, double target) {
    const double ratio = measured / baseline;
    std::printf("%-48s %9.2f ms  baseline %9.2f ms  ratio %5.2f  (target <= %.2f) %s\n", what, measured, baseline,
                ratio, target, ratio <= target ? "ok" : "MISSED");
    std::fflush(stdout);
}

}  // namespace bench

// Best-of-N wall time in milliseconds, for any callable.
template <typename Work>
double BestMilliseconds(int repetitions, Work work) {
    return bench::BestOf(repetitions, std::function<void()>(work));
}
