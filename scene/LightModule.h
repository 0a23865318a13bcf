#pragma once
// A render module: asks the renderer to load one of its modules and hands it
// a set of options, as a load block.

#include <string>

#include <sceneapi/LightNode.h>

namespace vel {

class LightModule : public LightNode {
public:
    explicit LightModule(std::string moduleName);
    ~LightModule() override;

    bool write(velSceneapi_oo& w) override;
    // A module has no definition form.
    bool writeDefinition(velSceneapi_oo& w) override;
    bool isDefined() const override;

    // Writes the module's option parameters inside the load block.
    virtual void writeOptions(velSceneapi_oo& w) = 0;

    const std::string& name() const { return name_; }

private:
    std::string name_;
};

} // namespace vel
