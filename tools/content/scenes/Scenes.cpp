#include "Scenes.h"

#include <cmath>
#include <string>

namespace {

constexpr float kTwoPi = 6.28318530718f;

// The first character of a texture name picks how the player draws it: no
// digit plain, "2" blended, "3" mirrored with the lava environment.
void addDarkRedMaterials(SceneBuilder& scene) {
    scene.addMaterial("Steel", "dunkelr.png");
    scene.addMaterial("Veil", "2dunkelr.png");
    scene.addMaterial("Chrome", "3dunkelr.png");
}

Vec3 onCircle(float radius, float angle, float height) {
    return {radius * std::cos(angle), radius * std::sin(angle), height};
}

float wave(float t, float cycles, float phase = 0.0f) {
    return std::sin(kTwoPi * (cycles * t + phase));
}

Vec3 uniform(float factor) {
    return {factor, factor, factor};
}

// 0 before start, 1 after end, a smooth step between.
float ease(float t, float start, float end) {
    const float x = std::fmin(1.0f, std::fmax(0.0f, (t - start) / (end - start)));
    return x * x * (3.0f - 2.0f * x);
}

std::string numbered(const char* name, int number) {
    return name + std::to_string(number);
}

} // namespace

// A mirrored ring carrying four shards, a helper swinging three pulsing
// lanterns round it and a glowing core beating in the middle, seen close up:
// the warp tears whatever fills its picture, so the scene fills it brightly.
// Every track ends where it starts, so the loop has no seam.
Lib3dsFilePtr buildWarpScene() {
    SceneBuilder scene(kWarpSceneFrames, 15);
    addDarkRedMaterials(scene);
    scene.addMaterial("Glow", "lava_negz.png");
    scene.addMaterial("Icing", "donut.png");

    scene.addMesh("Ring", torus(60.0f, 14.0f, 48, 12, 8.0f, 1.0f), "Chrome", {0, 0, 0});
    Lib3dsNode* ring = scene.addObject("Ring", nullptr);
    scene.move(ring, [](float t) { return Vec3{0, 0, 10.0f * wave(t, 1)}; });
    scene.turn(ring, {0.28f, 0.0f, 0.96f}, [](float t) { return kTwoPi * t; });
    for (int k = 1; k <= 4; ++k) {
        const std::string name = numbered("Shard", k);
        const float angle = kTwoPi * k / 4;
        scene.addMesh(name, octahedron(18.0f), "Icing", onCircle(95.0f, angle, 0));
        Lib3dsNode* shard = scene.addObject(name, ring);
        scene.move(shard,
                   [=](float t) { return onCircle(95.0f, angle, 12.0f * wave(t, 1, k / 4.0f)); });
        scene.turn(shard, {0, 0, 1}, [](float t) { return 2.0f * kTwoPi * t; });
    }

    Lib3dsNode* orbit = scene.addDummy("Orbit", nullptr);
    scene.turn(orbit, {0, 0, 1}, [](float t) { return -kTwoPi * t; });
    for (int k = 1; k <= 3; ++k) {
        const std::string name = numbered("Lantern", k);
        const float angle = kTwoPi * k / 3;
        scene.addMesh(name, sphere(10.0f, 16, 8), "Veil", onCircle(160.0f, angle, 0));
        Lib3dsNode* lantern = scene.addObject(name, orbit);
        scene.move(lantern,
                   [=](float t) { return onCircle(160.0f, angle, 30.0f * wave(t, 1, k / 3.0f)); });
        // One swell a bar.
        scene.scale(lantern, [=](float t) { return uniform(1.0f + 0.25f * wave(t, 4, k / 3.0f)); });
    }

    scene.addMesh("Core", sphere(40.0f, 24, 12), "Glow", {0, 0, 0});
    Lib3dsNode* core = scene.addObject("Core", nullptr);
    // A beat every half second.
    scene.scale(core, [](float t) { return uniform(1.0f + 0.15f * std::fabs(wave(t, 8))); });
    scene.turn(core, {0, 0, 1}, [](float t) { return -2.0f * kTwoPi * t; });

    const CameraNodes camera = scene.addCamera("Camera01", 40.0f);
    scene.flyCamera(
        camera, [](float t) { return onCircle(220.0f, -kTwoPi * t, 70.0f + 40.0f * wave(t, 1)); },
        [](float t) {
            return Vec3{0, 0, 8.0f * wave(t, 2)};
        },
        [](float t) { return 0.08f * wave(t, 1); });
    return scene.finish();
}

// A lava pool ringed by rocks and flames; the donut rises out of it in the
// first bars and hovers, a halo of mirrors with sparks circling it. The
// tree: Donut > Halo helper > Mirror > Spark, and Crater helper > Rock > Flame.
Lib3dsFilePtr buildDonutScene() {
    SceneBuilder scene(kDonutSceneFrames, 30);
    addDarkRedMaterials(scene);
    scene.addMaterial("Icing", "donut.png");
    scene.addMaterial("Lava", "lava_negz.png");

    scene.addMesh("Pool", disc(420.0f, 48, 3.0f), "Lava", {0, 0, 0});
    scene.addObject("Pool", nullptr);

    Lib3dsNode* crater = scene.addDummy("Crater", nullptr);
    scene.turn(crater, {0, 0, 1}, [](float t) { return 0.25f * wave(t, 1); });
    for (int k = 1; k <= 6; ++k) {
        const float angle = kTwoPi * k / 6;
        const std::string rockName = numbered("Rock", k);
        scene.addMesh(rockName, spike(30.0f, 90.0f + 10.0f * k, 10), "Steel",
                      onCircle(270.0f, angle, 0));
        Lib3dsNode* rock = scene.addObject(rockName, crater);
        scene.move(rock, [=](float) { return onCircle(270.0f, angle, -5.0f); });
        const std::string flameName = numbered("Flame", k);
        scene.addMesh(flameName, blade(26.0f, 70.0f, 4), "Veil", {0, 0, 0});
        Lib3dsNode* flame = scene.addObject(flameName, rock);
        scene.move(flame, [=](float) { return onCircle(45.0f, angle + 1.2f, 0.0f); });
        scene.turn(flame, {1, 0, 0}, [=](float t) { return 0.35f * wave(t, 16, k / 6.0f); });
        scene.scale(flame, [=](float t) {
            return Vec3{1, 1, 1.0f + 0.3f * wave(t, 32, k / 7.0f)};
        });
    }

    scene.addMesh("Donut", torus(60.0f, 26.0f, 48, 20, 6.0f, 2.0f), "Icing", {0, 0, 0});
    Lib3dsNode* donut = scene.addObject("Donut", nullptr);
    const auto donutHeight = [](float t) {
        return -70.0f + 180.0f * ease(t, 0.0f, 0.2f) + 12.0f * ease(t, 0.2f, 0.3f) * wave(t, 4);
    };
    scene.move(donut, [=](float t) { return Vec3{0, 0, donutHeight(t)}; });
    scene.turn(donut, {0.5f, 0.2f, 0.84f}, [](float t) { return 3.0f * kTwoPi * t; });

    Lib3dsNode* halo = scene.addDummy("Halo", donut);
    scene.turn(halo, {0, 0, 1}, [](float t) { return 4.0f * kTwoPi * t; });
    for (int k = 1; k <= 3; ++k) {
        const float angle = kTwoPi * k / 3;
        const std::string mirrorName = numbered("Mirror", k);
        scene.addMesh(mirrorName, octahedron(18.0f), "Chrome", onCircle(120.0f, angle, 0));
        Lib3dsNode* mirror = scene.addObject(mirrorName, halo);
        scene.move(mirror, [=](float) { return onCircle(120.0f, angle, 0.0f); });
        scene.scale(mirror, [](float t) { return uniform(0.05f + 0.95f * ease(t, 0.12f, 0.25f)); });
        scene.turn(mirror, {0, 0, 1}, [](float t) { return 8.0f * kTwoPi * t; });
        const std::string sparkName = numbered("Spark", k);
        scene.addMesh(sparkName, blade(14.0f, 40.0f, 3), "Veil", {0, 0, 0});
        Lib3dsNode* spark = scene.addObject(sparkName, mirror);
        scene.move(spark, [](float) { return Vec3{0, 0, 20.0f}; });
        scene.turn(spark, {0, 0, 1}, [](float t) { return 12.0f * kTwoPi * t; });
        // A flicker on every beat.
        scene.scale(spark, [](float t) { return uniform(0.7f + 0.3f * std::fabs(wave(t, 32))); });
    }

    const CameraNodes camera = scene.addCamera("Camera01", 55.0f);
    scene.flyCamera(
        camera,
        [](float t) {
            const float reach = 560.0f - 200.0f * std::sin(3.14159265f * t);
            const float height = 50.0f + 190.0f * std::pow(std::sin(3.14159265f * t), 2.0f);
            return onCircle(reach, 0.4f + 1.25f * kTwoPi * t, height);
        },
        [=](float t) {
            return Vec3{0, 0, std::fmax(0.0f, donutHeight(t))};
        },
        [](float t) { return 0.1f * wave(t, 2); });
    return scene.finish();
}
