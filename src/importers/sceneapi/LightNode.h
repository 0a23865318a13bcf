#pragma once
// The abstract scene-graph node. Nodes are shared through std::shared_ptr;
// every emitting operation receives the wrapper and emits only during the call.

namespace vel {

class velSceneapi_oo;

class LightNode {
public:
    // Emit this node at the current place in the scene.
    virtual bool write(velSceneapi_oo& w) = 0;
    // Emit a reusable definition of this node (used for instancing).
    virtual bool writeDefinition(velSceneapi_oo& w) = 0;
    // True once a definition was emitted and the node now refers to it.
    virtual bool isDefined() const = 0;
    virtual ~LightNode() = default;

    LightNode() = default;
    LightNode(const LightNode&) = delete;
    LightNode& operator=(const LightNode&) = delete;
};

} // namespace vel
