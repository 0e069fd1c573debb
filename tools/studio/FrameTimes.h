// How long the show's frames take to make, for the overlay: the median of those
// finished within the last second, so one slow frame does not hide the rest.
#pragma once

#include <deque>

class FrameTimes {
public:
    // A frame that took milliseconds, finished at nowSeconds.
    void add(double nowSeconds, double milliseconds);
    // The median of the frames finished in the second before nowSeconds; 0 when
    // there are none.
    double median(double nowSeconds);

private:
    struct Sample {
        double finished;
        double milliseconds;
    };
    std::deque<Sample> samples_;
};
