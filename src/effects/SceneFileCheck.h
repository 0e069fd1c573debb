// A walk over a 3D Studio file's chunk tree that decides, before lib3ds 1.x reads
// the file, whether the library can read it safely. lib3ds trusts its input: a
// chunk length of 0 makes it loop for ever, a face index past the point list
// makes it read beyond the list, a material group past the face list makes it
// write beyond it, more than three colours in a background gradient overrun a
// stack array, and a node whose parent is itself (or a chain of parents that
// closes on itself) makes its tree building recurse without end.
#pragma once

#include <cstddef>

// True when every chunk lies inside its parent and tiles it, every list the
// library reads (points, texels, faces, material groups, smoothing groups, keys)
// fits its chunk, every string it reads ends inside its chunk and its buffer,
// every face index is below its mesh's point count and every material-group
// index below its face count, no track holds two keys for one frame or a key
// beyond +-2^23 frames or a key value that is not finite, and node ids are
// distinct with parent links that form a tree at most MAX_NODE_DEPTH deep.
bool isSafeSceneFile(const unsigned char* bytes, size_t size);

// The deepest node hierarchy accepted: lib3ds evaluates, searches and frees the
// node tree recursively, and so does the scene's drawing.
constexpr int MAX_NODE_DEPTH = 256;
