// The two butterfly swarms every Butterflies layer shares: made once per process
// from fixed seeds of the runtime's generator, so every run shows the same ones.
#pragma once

#include <array>
#include <cstdint>

struct Butterfly {
    int32_t phase; // time offset, 0..499
    float centerX; // rising swarm: centre of the wavy path
    float centerZ;
    float x, y, z; // kugel swarm: fixed place; rising swarm: where the last draw put it
    float angleX, angleY, angleZ; // orientation in degrees
    float speed;                  // 2.00..2.99, scales time
};

using RisingSwarm = std::array<Butterfly, 60>;
using KugelSwarm = std::array<Butterfly, 20>;

// The 60 rising butterflies, made at the first call from seed 200, eight draws
// each: speed, angle z, y, x, centre z, one unused, centre x, phase.
RisingSwarm& risingSwarm();
// The 20 butterflies of the cluster, made at the first call from seed 55552,
// eleven draws each: speed, angle z, y, x, place z, y, x, centre z, one unused,
// centre x, phase.
KugelSwarm& kugelSwarm();
// Degrees the cluster has turned: grows by 2 at every kugel render of any layer.
float& spinAngle();
// Back to the state at program start: no swarm made yet (the next use makes it,
// seeding the generator as the first use does) and the cluster not turned. For
// a tool that starts the show afresh within one process.
void resetButterflySwarms();
