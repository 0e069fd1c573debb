// A keyframe-animated 3D Studio scene, drawn with fixed-function OpenGL through
// the file's first camera. Each mesh node becomes one display list the first
// time it is needed, flat shaded, with its material's texture and draw mode, and
// is culled against the view by the box of its compiled vertices.
//
// Every operation but the destructor needs the GL context. The destructor frees
// the scene and the node records but makes no GL call: display lists and the
// cube map stay until releaseGlObjects() runs or the process ends.
#pragma once

#include "effects/EnvironmentCubeMap.h"
#include "effects/SceneFile.h"

#include <GL/gl.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class Texture;
struct MeshArrays;

class Scene3ds {
public:
    // texturePrefix goes before every texture file name of the scene's materials
    // (the 3DS player gives "data\"); at most 259 characters are kept.
    explicit Scene3ds(const std::string& texturePrefix);
    Scene3ds(const Scene3ds&) = delete;
    Scene3ds& operator=(const Scene3ds&) = delete;
    ~Scene3ds();

    // Releases what an earlier load made, then reads the file ("data\2" names
    // data/2, looked up in the working directory, then beside the executable,
    // then in an install's share/glimmerfell beside the executable's folder;
    // a loose file set with setLooseFileLookup stands in before all of them),
    // evaluates it at its current frame (0 when that lies past the frame count)
    // and loads the lava cube map for mirrored nodes. False, holding no scene,
    // when the file cannot be read, fails the safety walk or has no camera.
    bool load(const std::string& fileName);
    // Compiles the lists of the top-level nodes; their children follow when first
    // reached while drawing.
    void prebuildLists();
    // Evaluates the animation at frame. False, changing nothing, when frame is
    // not below frameCount().
    bool setFrame(uint32_t frame);
    // The file's frame count (0 without a scene, or for a negative count).
    uint32_t frameCount() const;
    // frameCount × 1000 ÷ framesPerSecond, truncated, at most 2^32 − 1.
    uint32_t durationMs() const;
    float framesPerSecond() const { return framesPerSecond_; }
    void setFramesPerSecond(float framesPerSecond) { framesPerSecond_ = framesPerSecond; }

    // Sets the projection (camera's field of view, width ÷ height, near 1, far
    // 20000) and the model-view (the camera looking at its target) and draws the
    // node tree, children before their parents. Both matrices are left as set.
    // Draws nothing and changes no state without a scene, camera or target node.
    void render(uint32_t width, uint32_t height);
    // What render changes besides the picture: the lists of nodes reached for the
    // first time are compiled, nothing is drawn.
    void compileReachedLists();

    // Deletes every display list and the cube map; nodes compile anew when next
    // drawn. Needs the GL context.
    void releaseGlObjects();

    // The scene as lib3ds holds it, or null.
    Lib3dsFile* file() const { return file_.get(); }

private:
    struct NodeRecord;
    enum NodeDrawMode { PLAIN = 0, OVERLAY = 1, BLENDED = 2, MIRRORED = 3 };

    // The camera and its target node; false when the scene lacks either.
    bool findView(Lib3dsNode*& camera, Lib3dsNode*& target) const;
    void drawNode(Lib3dsNode* node, bool drawn);
    void buildNodeList(Lib3dsNode* node);
    NodeDrawMode applyMaterial(NodeRecord& record, const char* materialName, const char* nodeName);
    Texture* loadNodeTexture(const char* mapName, const char* which, const char* nodeName);
    void compileList(NodeRecord& record, NodeDrawMode mode, const MeshArrays& arrays);
    void beginDrawMode(NodeDrawMode mode);
    void endDrawMode(NodeDrawMode mode);

    SceneFilePtr file_;
    std::string fileName_;
    std::string cameraName_;
    std::string texturePrefix_;
    EnvironmentCubeMap environment_;
    float framesPerSecond_ = 150.0f;
    // One per compiled node; the node's user pointer points at its record.
    std::vector<std::unique_ptr<NodeRecord>> records_;
};
