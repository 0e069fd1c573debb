// A swarm of textured butterflies flapping their wings, each a 1 x 1 quad
// folded along its body. MODE "kugel" shows a turning cluster of 20; any other
// mode 60 butterflies rising on wavy paths. The swarms are shared by every
// Butterflies layer of the process (ButterflySwarms.h).
#pragma once

#include "effects/ButterflySwarms.h"
#include "effects/EnvironmentCubeMap.h"
#include "layers/Layer.h"

class Texture;

class Butterflies : public Layer {
public:
    // Loads "data\schmettalyng.png" and the lava cube map; each failure shows its
    // message and asks the program to end.
    void load() override;
    // The cube map.
    void releaseGlObjects() override;
    void render(uint32_t time) override;
    // What a render changes: the swarm made on first use, the rising swarm's
    // start, the cluster's turn.
    void advance(uint32_t time) override;
    // MODE: "kugel" in any letter case selects the cluster, anything else the
    // rising swarm.
    void setParamString(ParamId code, const std::string& value) override;
    // TMOF: the layer time at which the rising swarm starts; 0 takes the time of
    // the next rising render.
    void setParamInt(ParamId code, int32_t value) override;
    // RADM: scales the cluster's distances from its centre.
    void setParamFloat(ParamId code, float value) override;

private:
    enum Mode { RISING = 0, KUGEL = 1 };

    void renderRising(uint32_t time);
    void renderKugel(uint32_t time);
    // The state a rising render starts with: its origin set, its swarm made.
    RisingSwarm& startRising(uint32_t time);
    // The cluster's turn for this render, after the swarm is made.
    static float turnKugel();
    void bindTexture();

    EnvironmentCubeMap environment_; // required at load, never bound here
    Texture* texture_ = nullptr;
    int32_t mode_ = RISING;
    float radius_ = 1.0f;
    uint32_t timeOrigin_ = 0;
};
