#include "HeldScene.h"

#include "SceneUpdate.h"

#include <sceneapi/model/SceneReplay.h>

#include <algorithm>

namespace standin::raydeck {

using vel::model::Entry;
using vel::model::Node;
using vel::model::NodeKind;

void HeldScene::apply(vel::model::Scene transfer)
{
    std::vector<std::shared_ptr<Node>> groups;
    std::vector<std::shared_ptr<Node>> cameras;
    for (const Entry& entry : transfer.root().entries) {
        const auto* block = std::get_if<vel::model::entry::Block>(&entry);
        if (!block || !block->node)
            continue;
        if (block->node->kind == NodeKind::Group)
            groups.push_back(block->node);
        else if (block->node->kind == NodeKind::Camera)
            cameras.push_back(block->node);
    }

    // The transfer's shader numbers above every held one, so that both can
    // be told apart until everything is numbered anew.
    std::vector<std::shared_ptr<Node>> incoming = groups;
    incoming.insert(incoming.end(), cameras.begin(), cameras.end());
    offsetShaderNumbers(incoming, highestShaderNumber(blocks()));

    for (const std::shared_ptr<Node>& group : groups) {
        auto held = std::find_if(modelSets_.begin(), modelSets_.end(),
                                 [&](const ModelSet& set) { return set.name == group->name; });
        if (held != modelSets_.end())
            held->root = updateModelSet(*group, held->root.get());
        else
            modelSets_.push_back({group->name, updateModelSet(*group, nullptr)});
    }
    if (!cameras.empty())
        cameras_ = std::move(cameras);
    renumberShaders(blocks());
}

const ModelSet* HeldScene::find(const std::string& name) const
{
    for (const ModelSet& set : modelSets_) {
        if (set.name == name)
            return &set;
    }
    return nullptr;
}

std::vector<std::shared_ptr<Node>> HeldScene::blocks() const
{
    std::vector<std::shared_ptr<Node>> all = cameras_;
    for (const ModelSet& set : modelSets_)
        all.push_back(set.root);
    return all;
}

void HeldScene::write(velScene_api& api) const
{
    api.writeText("%s", "//---veltor:dal:7---\n");
    api.writeText("%s", "//---import:dal:1---\n");
    api.writeText("%s", "//---id:1---\n");
    api.writeText("%s", "// This is a RayDeck scene file\n\n");
    Node top;
    top.kind = NodeKind::Scene;
    for (const std::shared_ptr<Node>& block : blocks())
        top.entries.emplace_back(vel::model::entry::Block{block});
    vel::model::writeEntries(top, api);
}

} // namespace standin::raydeck
