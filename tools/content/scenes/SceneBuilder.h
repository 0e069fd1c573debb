// Assembles a 3D Studio scene with lib3ds: materials naming their texture
// files, meshes, one camera with its target, and a keyframed node tree.
#pragma once

#include "Shapes.h"

#include <lib3ds/file.h>
#include <lib3ds/node.h>

#include <functional>
#include <memory>
#include <string>

struct Lib3dsFileDeleter {
    void operator()(Lib3dsFile* file) const { lib3ds_file_free(file); }
};
using Lib3dsFilePtr = std::unique_ptr<Lib3dsFile, Lib3dsFileDeleter>;

// Name of the helper nodes that group and move their children but have no mesh.
constexpr const char* kDummyName = "$$$DUMMY";

// A path through time: t runs from 0 at the first frame to 1 at the last key.
using Path = std::function<Vec3(float t)>;
using Curve = std::function<float(float t)>;

struct CameraNodes {
    Lib3dsNode* camera;
    Lib3dsNode* target;
};

class SceneBuilder {
public:
    // frames: the length of the animation; keys are set from frame 0 up to
    // and including this frame, so a path that ends where it starts loops.
    // keyStep: the distance in frames between sampled keys.
    SceneBuilder(int frames, int keyStep);

    void addMaterial(const std::string& name, const std::string& textureFile);

    // Stores the shape as a mesh placed at rest, with the mesh matrix
    // recording that placement.
    void addMesh(const std::string& name, const MeshData& shape, const std::string& material,
                 const Vec3& rest);

    // An object node drawing the mesh of the same name, below parent (or at
    // the top when parent is null).
    Lib3dsNode* addObject(const std::string& name, Lib3dsNode* parent);
    // A helper node without a mesh; instance tells it apart from other helpers.
    Lib3dsNode* addDummy(const std::string& instance, Lib3dsNode* parent);

    CameraNodes addCamera(const std::string& name, float fieldOfView);

    // Sampled keyframe tracks over the whole animation.
    void move(Lib3dsNode* object, const Path& position);
    void scale(Lib3dsNode* object, const Path& factors);
    // Turning about a fixed axis by angle(t) radians.
    void turn(Lib3dsNode* object, const Vec3& axis, const Curve& angle);
    void flyCamera(const CameraNodes& camera, const Path& position, const Path& target,
                   const Curve& roll);

    // Hands over the finished scene.
    Lib3dsFilePtr finish();

private:
    void samplePath(Lib3dsLin3Track& track, const Path& path) const;
    void sampleCurve(Lib3dsLin1Track& track, const Curve& curve) const;
    Lib3dsNode* insert(Lib3dsNode* node, const std::string& name, Lib3dsNode* parent);

    Lib3dsFilePtr file;
    int frames;
    int keyStep;
    unsigned short nextNodeId = 0;
};

// Writes the scene to path with every track's keys stored last-first, then puts
// them back in order; false when it cannot be written. lib3ds reads a track by
// inserting each key into its sorted list from the head, so keys stored in
// ascending order (as lib3ds writes them) take time quadratic in their number
// to read, while keys stored last-first each go in at the head. The scene read
// back is the same either way.
bool saveScene(Lib3dsFile* file, const std::string& path);
