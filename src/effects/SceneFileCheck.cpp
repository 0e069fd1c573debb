// The walk follows lib3ds 1.3's reader: the same chunks are descended into, with
// the same fixed fields before their subchunks, and every list, string and index
// the reader takes on trust is measured against the chunk that holds it. Chunks
// the library skips are only required to lie inside their parent.
#include "effects/SceneFileCheck.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <set>
#include <vector>

namespace {

// Chunk ids as the 3D Studio format numbers them.
enum ChunkId : uint16_t {
    M3DMAGIC = 0x4D4D,
    MLIBMAGIC = 0x3DAA,
    CMAGIC = 0xC23D,
    M3D_VERSION = 0x0002,
    COLOR_F = 0x0010,
    COLOR_24 = 0x0011,
    LIN_COLOR_24 = 0x0012,
    LIN_COLOR_F = 0x0013,
    INT_PERCENTAGE = 0x0030,
    FLOAT_PERCENTAGE = 0x0031,
    MDATA = 0x3D3D,
    MESH_VERSION = 0x3D3E,
    MASTER_SCALE = 0x0100,
    LO_SHADOW_BIAS = 0x1400,
    HI_SHADOW_BIAS = 0x1410,
    SHADOW_MAP_SIZE = 0x1420,
    SHADOW_SAMPLES = 0x1430,
    SHADOW_RANGE = 0x1440,
    SHADOW_FILTER = 0x1450,
    RAY_BIAS = 0x1460,
    O_CONSTS = 0x1500,
    AMBIENT_LIGHT = 0x2100,
    BIT_MAP = 0x1100,
    SOLID_BGND = 0x1200,
    V_GRADIENT = 0x1300,
    FOG = 0x2200,
    LAYER_FOG = 0x2302,
    DISTANCE_CUE = 0x2300,
    MAT_ENTRY = 0xAFFF,
    MAT_NAME = 0xA000,
    MAT_AMBIENT = 0xA010,
    MAT_DIFFUSE = 0xA020,
    MAT_SPECULAR = 0xA030,
    MAT_SHININESS = 0xA040,
    MAT_SHIN2PCT = 0xA041,
    MAT_SHIN3PCT = 0xA042,
    MAT_TRANSPARENCY = 0xA050,
    MAT_XPFALL = 0xA052,
    MAT_REFBLUR = 0xA053,
    MAT_SELF_ILPCT = 0xA084,
    MAT_SHADING = 0xA100,
    MAT_WIRE_SIZE = 0xA087,
    MAT_ACUBIC = 0xA310,
    MAT_MAPNAME = 0xA300,
    MAT_MAP_TILING = 0xA351,
    MAT_MAP_TEXBLUR = 0xA353,
    MAT_MAP_USCALE = 0xA354,
    MAT_MAP_VSCALE = 0xA356,
    MAT_MAP_UOFFSET = 0xA358,
    MAT_MAP_VOFFSET = 0xA35A,
    MAT_MAP_ANG = 0xA35C,
    MAT_MAP_COL1 = 0xA360,
    MAT_MAP_COL2 = 0xA362,
    MAT_MAP_RCOL = 0xA364,
    MAT_MAP_GCOL = 0xA366,
    MAT_MAP_BCOL = 0xA368,
    NAMED_OBJECT = 0x4000,
    N_TRI_OBJECT = 0x4100,
    POINT_ARRAY = 0x4110,
    POINT_FLAG_ARRAY = 0x4111,
    FACE_ARRAY = 0x4120,
    MSH_MAT_GROUP = 0x4130,
    TEX_VERTS = 0x4140,
    SMOOTH_GROUP = 0x4150,
    MESH_MATRIX = 0x4160,
    MESH_COLOR = 0x4165,
    MESH_TEXTURE_INFO = 0x4170,
    MSH_BOXMAP = 0x4190,
    N_DIRECT_LIGHT = 0x4600,
    DL_SPOTLIGHT = 0x4610,
    DL_OUTER_RANGE = 0x465A,
    DL_INNER_RANGE = 0x4659,
    DL_MULTIPLIER = 0x465B,
    DL_SPOT_ROLL = 0x4656,
    DL_LOCAL_SHADOW2 = 0x4641,
    DL_SPOT_ASPECT = 0x4657,
    DL_SPOT_PROJECTOR = 0x4653,
    DL_RAY_BIAS = 0x4658,
    N_CAMERA = 0x4700,
    CAM_RANGES = 0x4720,
    DEFAULT_VIEW = 0x3000,
    VIEW_TOP = 0x3010,
    VIEW_BOTTOM = 0x3020,
    VIEW_LEFT = 0x3030,
    VIEW_RIGHT = 0x3040,
    VIEW_FRONT = 0x3050,
    VIEW_BACK = 0x3060,
    VIEW_USER = 0x3070,
    VIEW_CAMERA = 0x3080,
    VIEWPORT_LAYOUT = 0x7001,
    VIEWPORT_DATA_3 = 0x7012,
    VIEWPORT_SIZE = 0x7020,
    KFDATA = 0xB000,
    AMBIENT_NODE_TAG = 0xB001,
    SPOTLIGHT_NODE_TAG = 0xB007,
    KFSEG = 0xB008,
    KFCURTIME = 0xB009,
    KFHDR = 0xB00A,
    NODE_HDR = 0xB010,
    INSTANCE_NAME = 0xB011,
    PIVOT = 0xB013,
    BOUNDBOX = 0xB014,
    MORPH_SMOOTH = 0xB015,
    POS_TRACK_TAG = 0xB020,
    ROT_TRACK_TAG = 0xB021,
    SCL_TRACK_TAG = 0xB022,
    FOV_TRACK_TAG = 0xB023,
    ROLL_TRACK_TAG = 0xB024,
    COL_TRACK_TAG = 0xB025,
    MORPH_TRACK_TAG = 0xB026,
    HOT_TRACK_TAG = 0xB027,
    FALL_TRACK_TAG = 0xB028,
    HIDE_TRACK_TAG = 0xB029,
    NODE_ID = 0xB030,
};

constexpr size_t HEADER_BYTES = 6; // id (16 bits), length (32 bits, header included)
// The library's buffers for the strings it reads, terminator included.
constexpr size_t NAME_BYTES = 64;
constexpr size_t KEYFRAMER_NAME_BYTES = 13;
constexpr size_t MORPH_NAME_BYTES = 11;
// Chunks nest a handful of levels in any real file.
constexpr int MAX_CHUNK_DEPTH = 16;
// The library evaluates keys in single precision; beyond 2^23 frames a looped
// time can round onto the last key, past which its evaluation reads nothing.
constexpr int32_t MAX_KEY_FRAME = 1 << 23;
constexpr uint16_t NO_PARENT = 0xFFFF;
// Key fields present when their bit is set: tension, continuity, bias, ease to,
// ease from, each a float.
constexpr uint16_t KEY_SPLINE_FLAGS = 0x1F;
// The fixed fields of a track before its keys: flags, two unused words, key count.
constexpr size_t TRACK_HEADER_BYTES = 14;

struct Chunk {
    uint16_t id;
    size_t data; // first byte after the header
    size_t end;  // one past the last byte
    size_t size() const { return end - data; }
};

struct NodeLink {
    uint16_t id;
    uint16_t parent;
};

// The whole state of a walk.
struct Walk {
    const unsigned char* bytes;
    size_t size;
    int depth = 0;
    std::vector<NodeLink> nodes;
};

uint16_t word(const Walk& walk, size_t at) {
    return static_cast<uint16_t>(walk.bytes[at] | walk.bytes[at + 1] << 8);
}

uint32_t dword(const Walk& walk, size_t at) {
    return static_cast<uint32_t>(word(walk, at)) | static_cast<uint32_t>(word(walk, at + 2)) << 16;
}

float real(const Walk& walk, size_t at) {
    const uint32_t bits = dword(walk, at);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// count floats from at, all finite. The caller has made sure they are there.
bool finiteReals(const Walk& walk, size_t at, size_t count) {
    for (size_t i = 0; i < count; ++i)
        if (!std::isfinite(real(walk, at + 4 * i)))
            return false;
    return true;
}

// The header at `at`: a length of at least the header that ends inside the parent.
bool header(const Walk& walk, size_t at, size_t parentEnd, Chunk& chunk) {
    if (parentEnd - at < HEADER_BYTES)
        return false;
    const uint32_t length = dword(walk, at + 2);
    if (length < HEADER_BYTES || length > parentEnd - at)
        return false;
    chunk = {word(walk, at), at + HEADER_BYTES, at + length};
    return true;
}

// A zero-terminated string at `at` that ends inside the chunk and fits a buffer of
// `buffer` bytes; `at` moves past its terminator.
bool string(const Walk& walk, size_t& at, size_t end, size_t buffer) {
    const size_t limit = std::min(end, at + buffer);
    const void* terminator = std::memchr(walk.bytes + at, 0, limit > at ? limit - at : 0);
    if (!terminator)
        return false;
    at = static_cast<const unsigned char*>(terminator) - walk.bytes + 1;
    return true;
}

// Subchunks from `from` up to exactly `end`: the library steps from one to the
// next by their lengths, so a gap or a short tail would be read as a header.
template <typename Each>
bool subchunks(Walk& walk, size_t from, size_t end, Each&& each) {
    if (from > end || ++walk.depth > MAX_CHUNK_DEPTH)
        return false;
    for (size_t at = from; at < end;) {
        Chunk chunk{};
        if (!header(walk, at, end, chunk) || !each(chunk))
            return false;
        at = chunk.end;
    }
    --walk.depth;
    return true;
}

bool chunk(Walk& walk, const Chunk& chunk);

// A chunk whose subchunks follow `prefix` bytes of fixed fields.
bool container(Walk& walk, const Chunk& parent, size_t prefix) {
    return parent.size() >= prefix &&
           subchunks(walk, parent.data + prefix, parent.end,
                     [&](const Chunk& child) { return chunk(walk, child); });
}

bool stringChunk(Walk& walk, const Chunk& chunk, size_t buffer) {
    size_t at = chunk.data;
    return string(walk, at, chunk.end, buffer);
}

// The fixed fields the library reads from a chunk without subchunks.
size_t fieldBytes(uint16_t id) {
    switch (id) {
    case MESH_COLOR:
        return 1;
    case SHADOW_MAP_SIZE:
    case SHADOW_SAMPLES:
    case INT_PERCENTAGE:
    case MAT_SHADING:
    case MAT_MAP_TILING:
    case NODE_ID:
        return 2;
    case COLOR_24:
    case LIN_COLOR_24:
    case MAT_MAP_COL1:
    case MAT_MAP_COL2:
    case MAT_MAP_RCOL:
    case MAT_MAP_GCOL:
    case MAT_MAP_BCOL:
        return 3;
    case M3D_VERSION:
    case MESH_VERSION:
    case MASTER_SCALE:
    case LO_SHADOW_BIAS:
    case HI_SHADOW_BIAS:
    case SHADOW_RANGE:
    case SHADOW_FILTER:
    case RAY_BIAS:
    case FLOAT_PERCENTAGE:
    case MAT_WIRE_SIZE:
    case MAT_MAP_TEXBLUR:
    case MAT_MAP_USCALE:
    case MAT_MAP_VSCALE:
    case MAT_MAP_UOFFSET:
    case MAT_MAP_VOFFSET:
    case MAT_MAP_ANG:
    case DL_OUTER_RANGE:
    case DL_INNER_RANGE:
    case DL_MULTIPLIER:
    case DL_SPOT_ROLL:
    case DL_SPOT_ASPECT:
    case DL_RAY_BIAS:
    case KFCURTIME:
    case MORPH_SMOOTH:
        return 4;
    case CAM_RANGES:
    case VIEWPORT_SIZE:
    case KFSEG:
        return 8;
    case DL_LOCAL_SHADOW2:
        return 10;
    case VIEW_CAMERA:
        return 11;
    case O_CONSTS:
    case COLOR_F:
    case LIN_COLOR_F:
    case MAT_ACUBIC:
        return 12;
    case VIEW_TOP:
    case VIEW_BOTTOM:
    case VIEW_LEFT:
    case VIEW_RIGHT:
    case VIEW_FRONT:
    case VIEW_BACK:
        return 16;
    case BOUNDBOX:
        return 24;
    case VIEW_USER:
        return 28;
    case MESH_MATRIX:
        return 48;
    case VIEWPORT_DATA_3:
        return 49;
    case MESH_TEXTURE_INFO:
        return 84;
    default:
        return 0;
    }
}

// A background gradient: a float, then at most three colours of each kind, which
// the library collects in fixed arrays.
bool gradient(Walk& walk, const Chunk& parent) {
    int colours = 0;
    int linearColours = 0;
    return parent.size() >= 4 && subchunks(walk, parent.data + 4, parent.end, [&](const Chunk& c) {
               colours += c.id == COLOR_F;
               linearColours += c.id == LIN_COLOR_F;
               return colours <= 3 && linearColours <= 3 && chunk(walk, c);
           });
}

// A counted list: a 16-bit count and count records of recordBytes.
bool countedList(const Walk& walk, const Chunk& list, size_t recordBytes, uint16_t& count) {
    if (list.size() < 2)
        return false;
    count = word(walk, list.data);
    return list.size() - 2 >= count * recordBytes;
}

bool materialGroup(Walk& walk, const Chunk& group, uint16_t faces) {
    size_t at = group.data;
    if (!string(walk, at, group.end, NAME_BYTES) || group.end - at < 2)
        return false;
    const uint16_t count = word(walk, at);
    at += 2;
    if (group.end - at < size_t{count} * 2)
        return false;
    for (uint16_t i = 0; i < count; ++i)
        if (word(walk, at + 2 * i) >= faces)
            return false;
    return true;
}

bool boxMap(Walk& walk, const Chunk& map) {
    size_t at = map.data;
    for (int side = 0; side < 6; ++side)
        if (!string(walk, at, map.end, NAME_BYTES))
            return false;
    return true;
}

// What the library keeps of one mesh while reading it: the last point and face
// lists replace earlier ones, and face normals are computed at the end.
struct MeshLists {
    uint16_t points = 0;
    uint16_t faces = 0;
    uint16_t highestIndex = 0;
};

bool faceArray(Walk& walk, const Chunk& array, MeshLists& mesh) {
    constexpr size_t FACE_BYTES = 8; // three point indices and the flags
    if (!countedList(walk, array, FACE_BYTES, mesh.faces))
        return false;
    mesh.highestIndex = 0;
    for (size_t face = 0; face < mesh.faces; ++face)
        for (size_t corner = 0; corner < 3; ++corner)
            mesh.highestIndex = std::max(
                mesh.highestIndex, word(walk, array.data + 2 + face * FACE_BYTES + corner * 2));
    const uint16_t faces = mesh.faces;
    return subchunks(walk, array.data + 2 + faces * FACE_BYTES, array.end, [&](const Chunk& c) {
        switch (c.id) {
        case SMOOTH_GROUP:
            return c.size() >= size_t{faces} * 4;
        case MSH_MAT_GROUP:
            return materialGroup(walk, c, faces);
        case MSH_BOXMAP:
            return boxMap(walk, c);
        default:
            return chunk(walk, c);
        }
    });
}

bool mesh(Walk& walk, const Chunk& object) {
    MeshLists mesh;
    uint16_t count = 0;
    const bool listsFit = subchunks(walk, object.data, object.end, [&](const Chunk& c) {
        switch (c.id) {
        case POINT_ARRAY:
            return countedList(walk, c, 12, mesh.points) &&
                   finiteReals(walk, c.data + 2, size_t{mesh.points} * 3);
        case TEX_VERTS:
            return countedList(walk, c, 8, count) &&
                   finiteReals(walk, c.data + 2, size_t{count} * 2);
        case POINT_FLAG_ARRAY:
            return countedList(walk, c, 2, count);
        case FACE_ARRAY:
            return faceArray(walk, c, mesh);
        case MESH_MATRIX:
            return c.size() >= 48 && finiteReals(walk, c.data, 12);
        default:
            return chunk(walk, c);
        }
    });
    return listsFit && (mesh.faces == 0 || mesh.highestIndex < mesh.points);
}

bool namedObject(Walk& walk, const Chunk& object) {
    size_t at = object.data;
    return string(walk, at, object.end, NAME_BYTES) &&
           subchunks(walk, at, object.end, [&](const Chunk& c) {
               return c.id == N_TRI_OBJECT ? mesh(walk, c) : chunk(walk, c);
           });
}

// Bytes of one key's value after its spline fields, by track; 0 for the hide
// track's keys, which carry none. The morph track's keys hold a name instead.
size_t keyValueBytes(uint16_t track) {
    switch (track) {
    case POS_TRACK_TAG:
    case SCL_TRACK_TAG:
    case COL_TRACK_TAG:
        return 12;
    case ROT_TRACK_TAG:
        return 16; // angle and axis
    case FOV_TRACK_TAG:
    case ROLL_TRACK_TAG:
    case HOT_TRACK_TAG:
    case FALL_TRACK_TAG:
        return 4;
    default:
        return 0;
    }
}

bool isTrack(uint16_t id) {
    return id >= POS_TRACK_TAG && id <= HIDE_TRACK_TAG;
}

// Every key fits the chunk with finite fields, and no two keys of the node's
// track share a frame (tracks of one kind in one node are read into one list).
bool track(const Walk& walk, const Chunk& track, std::set<int32_t>& frames) {
    if (track.size() < TRACK_HEADER_BYTES)
        return false;
    const auto keys = static_cast<int32_t>(dword(walk, track.data + 10));
    if (keys < 0)
        return false;
    const size_t valueBytes = keyValueBytes(track.id);
    size_t at = track.data + TRACK_HEADER_BYTES;
    for (int32_t key = 0; key < keys; ++key) {
        if (track.end - at < 6)
            return false;
        const auto frame = static_cast<int32_t>(dword(walk, at));
        const unsigned splineFields = __builtin_popcount(word(walk, at + 4) & KEY_SPLINE_FLAGS);
        at += 6;
        if (frame < -MAX_KEY_FRAME || frame > MAX_KEY_FRAME || !frames.insert(frame).second)
            return false;
        const size_t fieldBytes = splineFields * 4 + valueBytes;
        if (track.end - at < fieldBytes || !finiteReals(walk, at, fieldBytes / 4))
            return false;
        at += fieldBytes;
        if (track.id == MORPH_TRACK_TAG && !string(walk, at, track.end, MORPH_NAME_BYTES))
            return false;
    }
    return true;
}

// A node: its id is its place among the keyframer's nodes unless a NODE_ID chunk
// gives one, and its parent is 0 unless its header names another.
bool node(Walk& walk, const Chunk& tag, uint16_t place) {
    NodeLink link{place, 0};
    std::map<uint16_t, std::set<int32_t>> trackFrames;
    const bool fits = subchunks(walk, tag.data, tag.end, [&](const Chunk& c) {
        size_t at = c.data;
        switch (c.id) {
        case NODE_ID:
            if (c.size() >= 2)
                link.id = word(walk, c.data);
            return c.size() >= 2;
        case NODE_HDR:
            if (!string(walk, at, c.end, NAME_BYTES) || c.end - at < 6)
                return false;
            link.parent = word(walk, at + 4);
            return true;
        case PIVOT:
            return c.size() >= 12 && finiteReals(walk, c.data, 3);
        default:
            return isTrack(c.id) ? track(walk, c, trackFrames[c.id]) : chunk(walk, c);
        }
    });
    walk.nodes.push_back(link);
    return fits;
}

bool keyframer(Walk& walk, const Chunk& keyframer) {
    uint16_t place = 0;
    return subchunks(walk, keyframer.data, keyframer.end, [&](const Chunk& c) {
        if (c.id >= AMBIENT_NODE_TAG && c.id <= SPOTLIGHT_NODE_TAG)
            return node(walk, c, place++);
        return chunk(walk, c);
    });
}

bool keyframerHeader(Walk& walk, const Chunk& header) {
    size_t at = header.data + 2; // revision
    return header.size() >= 2 && string(walk, at, header.end, KEYFRAMER_NAME_BYTES) &&
           header.end - at >= 4;
}

// Texture maps and their masks hold their settings (file name, scale, ...) as
// subchunks.
bool isTextureMap(uint16_t id) {
    switch (id) {
    case 0xA200: // texture 1
    case 0xA33E:
    case 0xA33A: // texture 2
    case 0xA340:
    case 0xA210: // opacity
    case 0xA342:
    case 0xA230: // bump
    case 0xA344:
    case 0xA204: // specular
    case 0xA348:
    case 0xA33C: // shininess
    case 0xA346:
    case 0xA33D: // self-illumination
    case 0xA34A:
    case 0xA220: // reflection
    case 0xA34C:
        return true;
    default:
        return false;
    }
}

// Any chunk, by what the library does with its id; ids it skips need nothing.
bool chunk(Walk& walk, const Chunk& c) {
    switch (c.id) {
    case MDATA:
    case MAT_ENTRY:
    case AMBIENT_LIGHT:
    case SOLID_BGND:
    case DEFAULT_VIEW:
    case MAT_AMBIENT:
    case MAT_DIFFUSE:
    case MAT_SPECULAR:
    case MAT_SHININESS:
    case MAT_SHIN2PCT:
    case MAT_SHIN3PCT:
    case MAT_TRANSPARENCY:
    case MAT_XPFALL:
    case MAT_REFBLUR:
    case MAT_SELF_ILPCT:
        return container(walk, c, 0);
    case N_DIRECT_LIGHT:
        return container(walk, c, 12); // position
    case VIEWPORT_LAYOUT:
        return container(walk, c, 14); // style, active view, swap settings
    case FOG:
    case LAYER_FOG:
    case DISTANCE_CUE:
        return container(walk, c, 16); // planes and densities
    case DL_SPOTLIGHT:
        return container(walk, c, 20); // target, hot spot, fall-off
    case N_CAMERA:
        return container(walk, c, 32); // position, target, roll, lens
    case V_GRADIENT:
        return gradient(walk, c);
    case NAMED_OBJECT:
        return namedObject(walk, c);
    case KFDATA:
        return keyframer(walk, c);
    case KFHDR:
        return keyframerHeader(walk, c);
    case MAT_NAME:
    case MAT_MAPNAME:
    case BIT_MAP:
    case DL_SPOT_PROJECTOR:
    case INSTANCE_NAME:
        return stringChunk(walk, c, NAME_BYTES);
    default:
        return isTextureMap(c.id) ? container(walk, c, 0) : c.size() >= fieldBytes(c.id);
    }
}

// Ids are distinct and every chain of parents ends, within MAX_NODE_DEPTH, at a
// node without a parent (NO_PARENT or an id no node has).
bool nodesFormATree(const std::vector<NodeLink>& nodes) {
    std::map<uint16_t, uint16_t> parentOf;
    for (const NodeLink& link : nodes)
        if (!parentOf.emplace(link.id, link.parent).second)
            return false;
    std::map<uint16_t, int> depthOf;
    for (const NodeLink& link : nodes) {
        std::vector<uint16_t> chain{link.id};
        int depth = 0;
        for (uint16_t at = link.id;;) {
            const auto known = depthOf.find(at);
            if (known != depthOf.end()) {
                depth = known->second;
                chain.pop_back();
                break;
            }
            const uint16_t parent = parentOf.at(at);
            if (parent == NO_PARENT || !parentOf.count(parent))
                break;
            if (chain.size() > MAX_NODE_DEPTH)
                return false; // too deep, or a cycle
            chain.push_back(parent);
            at = parent;
        }
        for (auto id = chain.rbegin(); id != chain.rend(); ++id)
            depthOf[*id] = ++depth;
        if (depth > MAX_NODE_DEPTH)
            return false;
    }
    return true;
}

} // namespace

bool isSafeSceneFile(const unsigned char* bytes, size_t size) {
    Walk walk{bytes, size, 0, {}};
    Chunk top{};
    if (!header(walk, 0, size, top))
        return false;
    bool fits = false;
    if (top.id == M3DMAGIC || top.id == MLIBMAGIC || top.id == CMAGIC)
        fits = container(walk, top, 0);
    else if (top.id == MDATA)
        fits = chunk(walk, top);
    return fits && nodesFormATree(walk.nodes);
}
