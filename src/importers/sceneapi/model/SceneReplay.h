#pragma once
// A Scene (SceneModel.h) written out as calls on a scene interface: to a
// file writer for a scene file, or to any other implementation. Blocks come
// in their tree order with their entries in order; a captured shader is
// defined (pushCapture, beginShader with a null name, its entries,
// endShader, capturedText, popCapture) right before its first use and its
// handle used again after that; shaders used among the values of a list are
// defined before the list begins, since a definition holding a list of its
// own would upset the writer's count of the values written.

#include <sceneapi/velScene_api.h>
#include "SceneModel.h"

namespace vel::model {

void writeScene(const Scene& scene, velScene_api& api);

// The entries of one block (not the block itself), e.g. a group's contents.
void writeEntries(const Node& node, velScene_api& api);

} // namespace vel::model
