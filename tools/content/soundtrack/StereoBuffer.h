// Two channels of float samples at the synthesiser's rate, full scale +-1.
#pragma once

#include <cstddef>
#include <vector>

struct StereoBuffer {
    std::vector<float> left;
    std::vector<float> right;

    explicit StereoBuffer(size_t frames) : left(frames, 0.0f), right(frames, 0.0f) {}
    size_t frames() const { return left.size(); }
};
