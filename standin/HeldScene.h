#pragma once
// The scene a RayDeck stand-in holds: model sets, each the tree of one
// design named by a transfer's root group, in the order they first came,
// and the camera of the last transfer that brought one.
//
// A transfer (already read whole and without a problem) is applied thus:
//  - each group at its top becomes the model set of its name, new or
//    updated as SceneUpdate.h says; other model sets stay as they are;
//  - its camera blocks replace the held ones; a transfer without a camera
//    keeps them;
//  - what else it holds at the top (the banner, the version, the process
//    attribute, the import options) describes the transfer, not the scene,
//    and is not kept.
// Afterwards the shaders of the whole scene are numbered anew (SceneUpdate.h),
// so that two stand-ins that came to the same scene by different transfers
// write the same scene file, byte for byte.

#include <sceneapi/model/SceneModel.h>
#include <sceneapi/velScene_api.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace standin::raydeck {

struct ModelSet {
    std::string name;
    std::shared_ptr<vel::model::Node> root; // the group named `name`
};

class HeldScene {
public:
    // Takes the transfer's blocks (their shader numbers change on the way).
    void apply(vel::model::Scene transfer);

    const std::vector<ModelSet>& modelSets() const { return modelSets_; }
    const std::vector<std::shared_ptr<vel::model::Node>>& cameras() const { return cameras_; }
    const ModelSet* find(const std::string& name) const;

    // The scene as a scene file: the header lines of an exported file, the
    // cameras, then the model sets' groups.
    void write(velScene_api& api) const;

private:
    // The blocks in the order a scene file of the scene holds them.
    std::vector<std::shared_ptr<vel::model::Node>> blocks() const;

    std::vector<ModelSet> modelSets_;
    std::vector<std::shared_ptr<vel::model::Node>> cameras_;
};

} // namespace standin::raydeck
