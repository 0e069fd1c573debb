#pragma once

#include "layers/Layer.h"
#include "script/ScriptEvent.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// One script block at run time: a layer, the window of demo time in which it is
// shown (both ends inclusive) and its events in delivery order (by time, equal
// times in file order). The layer's local clock starts at its first active frame;
// once the window has been left the layer releases its GL objects and is
// destroyed for good.
class LayerEntry {
public:
    static constexpr uint32_t NOT_ACTIVATED = 0xFFFFFFFFu;

    // className is the block's layer class as written (without its argument),
    // for tools that show the block.
    LayerEntry(std::unique_ptr<Layer> layer, uint32_t start, uint32_t end, std::string name,
               std::vector<ScriptEvent> events, std::string className = std::string());
    virtual ~LayerEntry() = default;

    // The per-frame step at demo time t: activate, deliver the due events and
    // render; or retire the layer once the window has been left.
    void step(uint32_t t);
    // The same step with the layer advanced instead of rendered (Layer::advance),
    // for a frame nobody sees.
    void advance(uint32_t t);

    Layer* layer() const { return layer_.get(); }
    uint32_t start() const { return start_; }
    uint32_t end() const { return end_; }
    uint32_t origin() const { return origin_; }
    uint32_t nextEvent() const { return nextEvent_; }
    const std::string& name() const { return name_; }
    const std::string& className() const { return className_; }
    const std::vector<ScriptEvent>& events() const { return events_; }
    bool active() const { return active_; }

private:
    // The step, with pass doing the layer's part of the frame.
    void pass(uint32_t t, void (Layer::*layerPass)(uint32_t));
    void deliver(const ScriptEvent& event);

    std::unique_ptr<Layer> layer_;
    uint32_t start_;
    uint32_t end_;
    uint32_t origin_ = NOT_ACTIVATED;
    uint32_t nextEvent_ = 0;
    std::string name_;
    std::string className_;
    std::vector<ScriptEvent> events_;
    bool active_ = false;
};
