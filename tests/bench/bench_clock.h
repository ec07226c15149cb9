// What the benchmarks share: a clock around work, order statistics of repeated timings, one figure a line.
#pragma once
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

// Milliseconds per call of `f`, over `n` calls.
template <typename F>
double msPer(long n, F f) {
    const auto start = std::chrono::steady_clock::now();
    for (long i = 0; i < n; ++i) f();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / n;
}

// CPU milliseconds, user and system: of this process, all its threads (RUSAGE_SELF), or of the
// children it has waited for and theirs (RUSAGE_CHILDREN).
inline double cpuMs(int who = RUSAGE_SELF) {
    rusage u{};
    getrusage(who, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

// The value a fraction `q` up the sorted timings: 0 the least, 0.5 the median.
template <typename T>
T quantile(std::vector<T> v, double q) {
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<size_t>(q * v.size()))];
}

inline void figure(const char* what, double value, const char* unit) { std::printf("%-32s %10.3f %s\n", what, value, unit); }
