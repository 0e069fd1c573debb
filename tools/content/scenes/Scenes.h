// The show's two 3D scenes.
#pragma once

#include "SceneBuilder.h"

// Frames per second the player runs the scenes at unless told otherwise.
constexpr int kSceneFramesPerSecond = 150;

// "data\2": the machine behind the warp, a loop of eight seconds (four bars).
constexpr int kWarpSceneFrames = 8 * kSceneFramesPerSecond;
Lib3dsFilePtr buildWarpScene();

// "data\donut.3ds": the glazed torus rising from the lava pool, 32 seconds.
constexpr int kDonutSceneFrames = 32 * kSceneFramesPerSecond;
Lib3dsFilePtr buildDonutScene();
