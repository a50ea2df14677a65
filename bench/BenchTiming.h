#pragma once

// The timing every benchmark reports: the median of several runs, so one run disturbed by the
// machine does not move the figure.

#include <QElapsedTimer>

#include <algorithm>
#include <vector>

namespace benchtiming {

inline double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The median in milliseconds of `runs` calls of run.
template <typename Run> double timeMs(int runs, Run run)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        run();
        times.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    return median(times);
}

} // namespace benchtiming
