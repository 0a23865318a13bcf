#pragma once
// Base of every shape node: a named object in the scene carrying a material.
// Once a definition of the shape has been emitted (writeDefinition), the node
// refers to it by id and write() emits instance references.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include <sceneapi/LightNode.h>

namespace vel {

class Material;

class LightGeometry : public LightNode {
public:
    explicit LightGeometry(std::string name);
    ~LightGeometry() override;

    bool isDefined() const override;

    // Virtual operations added by shapes, in their fixed order.

    // Bytes held by the shape's arrays.
    virtual std::size_t memorySize() const = 0;
    virtual void setMaterial(std::shared_ptr<Material> material);
    virtual std::shared_ptr<Material> getMaterial() const;
    virtual void setName(std::string name);
    virtual std::string getName() const;

    // The id under which the definition was emitted (0 while undefined).
    std::uint64_t instanceId() const { return instanceId_; }

protected:
    // Called by a shape's writeDefinition once its definition is out.
    void markDefined(std::uint64_t id);
    const std::string& name() const { return name_; }

private:
    std::string name_;
    std::shared_ptr<Material> material_;
    bool defined_ = false;
    std::uint64_t instanceId_ = 0;
};

} // namespace vel
