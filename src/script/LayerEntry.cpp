#include "script/LayerEntry.h"

#include <utility>

LayerEntry::LayerEntry(std::unique_ptr<Layer> layer, uint32_t start, uint32_t end, std::string name,
                       std::vector<ScriptEvent> events, std::string className)
    : layer_(std::move(layer)), start_(start), end_(end), name_(std::move(name)),
      className_(std::move(className)), events_(std::move(events)) {}

void LayerEntry::step(uint32_t t) {
    pass(t, &Layer::render);
}

void LayerEntry::advance(uint32_t t) {
    pass(t, &Layer::advance);
}

void LayerEntry::pass(uint32_t t, void (Layer::*layerPass)(uint32_t)) {
    if (layer_ && start_ <= t && t <= end_) {
        if (origin_ == NOT_ACTIVATED)
            origin_ = t;
        active_ = true;
        const uint32_t localTime = t - origin_;
        while (nextEvent_ < events_.size() && events_[nextEvent_].time <= localTime)
            deliver(events_[nextEvent_++]);
        (layer_.get()->*layerPass)(localTime);
    } else if (active_) {
        layer_->releaseGlObjects();
        layer_.reset();
        active_ = false;
    }
}

void LayerEntry::deliver(const ScriptEvent& event) {
    switch (event.type) {
    case ValueType::Int:
        layer_->setParamInt(event.code, event.intValue);
        break;
    case ValueType::Float:
        layer_->setParamFloat(event.code, event.floatValue);
        break;
    case ValueType::String:
        layer_->setParamString(event.code, event.stringValue);
        break;
    }
}
