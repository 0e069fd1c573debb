// The visual layer every script block makes, and the parameter codes through which
// the script talks to layers.
#pragma once

#include <cstdint>
#include <string>

// Four 8-bit characters, the first as written in the script in the lowest byte:
// OPAC is 0x4341504F. Compared as a whole value, so codes are case-sensitive.
using ParamId = uint32_t;

constexpr ParamId packParamId(char first, char second, char third, char fourth) {
    return static_cast<ParamId>(static_cast<unsigned char>(first)) |
           static_cast<ParamId>(static_cast<unsigned char>(second)) << 8 |
           static_cast<ParamId>(static_cast<unsigned char>(third)) << 16 |
           static_cast<ParamId>(static_cast<unsigned char>(fourth)) << 24;
}

constexpr ParamId makeParamId(const char (&code)[5]) {
    return packParamId(code[0], code[1], code[2], code[3]);
}

// Every code a layer class recognises, with the value type it expects.
namespace param {
constexpr ParamId BLNK = makeParamId("BLNK"); // float: ImageScroller
constexpr ParamId BLUE = makeParamId("BLUE"); // float: Fader
constexpr ParamId DIVI = makeParamId("DIVI"); // float: ImageScroller
constexpr ParamId FILE = makeParamId("FILE"); // string: ImageLayer, ImageScroller, Anim3dsPlayer
constexpr ParamId FRPS = makeParamId("FRPS"); // float: Anim3dsPlayer
constexpr ParamId GREN = makeParamId("GREN"); // float: Fader
constexpr ParamId GRPS = makeParamId("GRPS"); // int: Grass
constexpr ParamId MODE = makeParamId("MODE"); // string: Butterflies
constexpr ParamId OFFS = makeParamId("OFFS"); // int: Anim3dsPlayer
constexpr ParamId OPAC = makeParamId("OPAC"); // float: Fader, Grass, ImageLayer, ImageScroller
constexpr ParamId RADM = makeParamId("RADM"); // float: Butterflies
constexpr ParamId REDC = makeParamId("REDC"); // float: Fader
constexpr ParamId RGBA = makeParamId("RGBA"); // int: ClearLayer
constexpr ParamId RGBC = makeParamId("RGBC"); // int: Grass
constexpr ParamId SHOW = makeParamId("SHOW"); // int: ImageLayer, ImageScroller, Anim3dsPlayer
constexpr ParamId TMOF = makeParamId("TMOF"); // int: Butterflies
constexpr ParamId TRNS = makeParamId("TRNS"); // int: Grass
constexpr ParamId TYPE = makeParamId("TYPE"); // string: Grass
constexpr ParamId WIRE = makeParamId("WIRE"); // int: Grass
constexpr ParamId XANG = makeParamId("XANG"); // float: Grass
constexpr ParamId YANG = makeParamId("YANG"); // float: Grass
constexpr ParamId ZANG = makeParamId("ZANG"); // float: Grass
} // namespace param

// A layer is made by the factory while the script is parsed, loaded once before
// the show, then fed its due parameter events and rendered once per frame while
// its time window lasts. Codes a class does not handle (or that arrive with
// another value type) are ignored by the defaults here.
// Destructors must not call OpenGL: the last layers die after the context.
// releaseGlObjects() deletes what a layer made in the context, for a layer that
// goes while the context lives on.
class Layer {
public:
    virtual void load() {}
    // Needs the GL context that the layer drew in; the layer is not drawn again.
    virtual void releaseGlObjects() {}
    virtual void spare() {}
    // time: the layer's local time in milliseconds.
    virtual void render(uint32_t time) = 0;
    // Brings the layer's own state where render(time) would leave it, drawing
    // nothing where the layer can: for a tool that steps through frames nobody
    // sees. The default renders. An override sets none of the OpenGL state render
    // would leave behind: the caller renders the frames just before one it shows.
    virtual void advance(uint32_t time) { render(time); }
    virtual void setParamString(ParamId code, const std::string& value);
    virtual void setParamInt(ParamId code, int32_t value);
    virtual void setParamFloat(ParamId code, float value);
    virtual ~Layer() = default;
};
