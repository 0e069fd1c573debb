#include "effects/ButterflySwarms.h"

#include "platform/Platform.h"

#include <optional>

namespace {

constexpr uint32_t RISING_SEED = 200;
constexpr uint32_t KUGEL_SEED = 55552;

// One draw of the runtime's generator reduced modulo n.
int draw(int n) {
    return runtimeRand() % n;
}

// The first four draws, shared by both swarms.
Butterfly startButterfly() {
    Butterfly butterfly{};
    butterfly.speed = static_cast<float>(draw(100)) * 0.01f + 2.0f;
    butterfly.angleZ = static_cast<float>(draw(40) - 20);
    butterfly.angleY = static_cast<float>(draw(30) - 15);
    butterfly.angleX = static_cast<float>(draw(40) - 20);
    return butterfly;
}

// The last four draws, also shared: centre z, an unused value, centre x, phase.
void finishButterfly(Butterfly& butterfly) {
    butterfly.centerZ = static_cast<float>(draw(100)) * 0.016666668f - 1.5f;
    draw(100);
    butterfly.centerX = static_cast<float>(draw(100)) * 0.025f;
    butterfly.phase = draw(500);
}

RisingSwarm makeRisingSwarm() {
    runtimeSrand(RISING_SEED);
    RisingSwarm swarm{};
    for (Butterfly& butterfly : swarm) {
        butterfly = startButterfly();
        finishButterfly(butterfly);
    }
    return swarm;
}

KugelSwarm makeKugelSwarm() {
    runtimeSrand(KUGEL_SEED);
    KugelSwarm swarm{};
    for (Butterfly& butterfly : swarm) {
        butterfly = startButterfly();
        butterfly.z = static_cast<float>(draw(100)) * 0.033333335f;
        butterfly.y = static_cast<float>(draw(100)) * 0.033333335f;
        butterfly.x = static_cast<float>(draw(100)) * 0.033333335f;
        finishButterfly(butterfly);
    }
    return swarm;
}

// The process's swarms: none until first used (again after a reset).
std::optional<RisingSwarm> rising;
std::optional<KugelSwarm> kugel;
float spin = 0.0f;

template <typename Swarm>
Swarm& madeOnFirstUse(std::optional<Swarm>& swarm, Swarm (*make)()) {
    if (!swarm)
        swarm = make();
    return *swarm;
}

} // namespace

RisingSwarm& risingSwarm() {
    return madeOnFirstUse(rising, makeRisingSwarm);
}

KugelSwarm& kugelSwarm() {
    return madeOnFirstUse(kugel, makeKugelSwarm);
}

float& spinAngle() {
    return spin;
}

void resetButterflySwarms() {
    rising.reset();
    kugel.reset();
    spin = 0.0f;
}
