#include "effects/GrassBlade.h"

#include <cmath>

namespace {

constexpr int SWAYING_PAIRS = 10;
constexpr float SWAYING_PHASE_PER_MS = 0.0025f;
constexpr float SWAYING_PHASE_STEP = 0.2f;
constexpr float SWAYING_AMPLITUDE = 2.0f;
constexpr float SWAYING_ROOT_HALF_WIDTH = 0.2f;
constexpr float SWAYING_PAIR_HEIGHT = 0.6f;
constexpr float SWAYING_TIP_HEIGHT = 6.18f;

constexpr int CURLING_SEGMENTS = 20;
constexpr float CURLING_SEGMENT_LENGTH = 0.8f;
constexpr float CURLING_ROOT_HALF_WIDTH = 0.4f;
constexpr float CURLING_WIDTH_PER_SEGMENT = 0.05f;
constexpr float CURLING_WIDTH_SCALE = 0.4f;
constexpr float UPRIGHT = 1.5707964f;

void add(BladeShape& shape, const BladeVertex& vertex) {
    shape.vertices[shape.count++] = vertex;
}

} // namespace

BladeShape swayingBlade(uint32_t time) {
    BladeShape shape;
    const float phase = static_cast<float>(time) * SWAYING_PHASE_PER_MS;
    const float base = SWAYING_AMPLITUDE * std::sin(phase);
    float theta = phase;
    BladeVertex vertex;
    for (int i = 0; i < SWAYING_PAIRS; ++i) {
        vertex.normal = {0.0f, -std::cos(theta), -std::sin(theta)};
        const float halfWidth =
            SWAYING_ROOT_HALF_WIDTH * std::pow(static_cast<float>(SWAYING_PAIRS - i) * 0.1f, 0.4f);
        const float y = SWAYING_PAIR_HEIGHT * static_cast<float>(i);
        const float z = SWAYING_AMPLITUDE * std::sin(theta) - base;
        vertex.position = {-halfWidth, y, z};
        add(shape, vertex);
        vertex.position = {halfWidth, y, z};
        add(shape, vertex);
        theta += SWAYING_PHASE_STEP;
    }
    // The tip keeps the last pair's normal.
    vertex.position = {0.0f, SWAYING_TIP_HEIGHT, SWAYING_AMPLITUDE * std::sin(theta) - base};
    add(shape, vertex);
    return shape;
}

BladeShape curlingBlade(uint32_t time) {
    BladeShape shape;
    shape.textured = true;
    const auto bend = static_cast<float>(0.2 * std::sin(time * 0.001));
    BladeVertex vertex;
    vertex.normal = {0.0f, 0.0f, 1.0f};
    for (float x : {-CURLING_ROOT_HALF_WIDTH, CURLING_ROOT_HALF_WIDTH}) {
        vertex.texCoord = {x, 0.0f};
        vertex.position = {x, 0.0f, 0.0f};
        add(shape, vertex);
    }
    float angle = UPRIGHT;
    float y = 0.0f;
    float z = 0.0f;
    for (int n = CURLING_SEGMENTS; n >= 1; --n) {
        y += CURLING_SEGMENT_LENGTH * std::sin(angle);
        z += CURLING_SEGMENT_LENGTH * std::cos(angle);
        vertex.normal = {0.0f, z, y};
        const float halfWidth =
            static_cast<float>(n) * CURLING_WIDTH_PER_SEGMENT * CURLING_WIDTH_SCALE;
        for (float x : {-halfWidth, halfWidth}) {
            vertex.texCoord = {x, y};
            vertex.position = {x, y, z};
            add(shape, vertex);
        }
        angle += bend;
    }
    return shape;
}
