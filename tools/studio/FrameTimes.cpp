#include "studio/FrameTimes.h"

#include <algorithm>
#include <vector>

void FrameTimes::add(double nowSeconds, double milliseconds) {
    samples_.push_back({nowSeconds, milliseconds});
}

double FrameTimes::median(double nowSeconds) {
    while (!samples_.empty() && samples_.front().finished < nowSeconds - 1.0)
        samples_.pop_front();
    if (samples_.empty())
        return 0.0;
    std::vector<double> times;
    for (const Sample& sample : samples_)
        times.push_back(sample.milliseconds);
    const size_t middle = times.size() / 2;
    std::nth_element(times.begin(), times.begin() + static_cast<long>(middle), times.end());
    if (times.size() % 2)
        return times[middle];
    const double upper = times[middle];
    const double lower =
        *std::max_element(times.begin(), times.begin() + static_cast<long>(middle));
    return (lower + upper) / 2;
}
