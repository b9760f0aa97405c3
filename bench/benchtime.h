// What the benchmarks time with: one call in microseconds, and medians.
#pragma once

#include <algorithm>
#include <chrono>
#include <vector>

namespace bench {

inline double Median(std::vector<double> t)
{
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

// One call of `f`, in microseconds.
template <class F> double Micros(F f)
{
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
}

// The median of `rounds` calls of `f`, in microseconds.
template <class F> double MedianMicros(int rounds, F f)
{
    std::vector<double> t;
    for (int r = 0; r < rounds; ++r)
        t.push_back(Micros(f));
    return Median(t);
}

} // namespace bench
