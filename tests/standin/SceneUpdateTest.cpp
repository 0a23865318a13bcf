// The stand-in's scene: what a transfer makes of the model set it holds.
// The measure is strict: after any update the held scene, written as a scene
// file, is byte for byte that of a stand-in that received one full transfer
// of the same design (so held groups carry the changed flag, and kept and
// new bodies' shaders are numbered as in one transfer).

#include "TransferText.h"

#include <livelink/InstanceSelection.h>
#include <livelink/ModelSetSearch.h>
#include <standin/HeldScene.h>
#include <standin/Protocol.h>
#include <standin/SceneDescription.h>
#include <standin/TransferReading.h>

#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <functional>

using namespace standintest;
using standin::raydeck::HeldScene;

namespace {

// A gearbox: a root component with a body; a housing with two bodies; two
// placements of a shaft assembly, each with a shaft and two bearings; two
// bolts whose bodies differ (so that each placement must keep its own).
TestComponent gearbox()
{
    const TestComponent shaftAssembly{"Shaft Assembly", 0, true, {},
                                      {{"Shaft", 0, true, {{"Shaft", 3, 0.2f}}, {}},
                                       {"Bearing", 20, true, {{"Outer Race", 1, 0.3f}, {"Inner Race", 0.5f, 0.3f}}, {}},
                                       {"Bearing", 140, true, {{"Outer Race", 1, 0.3f}, {"Inner Race", 0.5f, 0.3f}}, {}}}};
    TestComponent first = shaftAssembly;
    first.x = -80;
    TestComponent second = shaftAssembly;
    second.x = 80;
    return {"Gearbox v3", 0, true, {{"Base Plate", 10, 0.9f}},
            {{"Housing", 0, true, {{"Housing Body", 8, 0.5f}, {"Oil Plug", 1, 0.1f}}, {}},
             first,
             second,
             {"Bolt M8", -105, true, {{"Bolt A", 2, 0.7f}}, {}},
             {"Bolt M8", 105, true, {{"Bolt B", 2, 0.8f}}, {}}}};
}

void markAllUnchanged(TestComponent& c)
{
    c.changed = false;
    for (TestComponent& child : c.children)
        markAllUnchanged(child);
}

struct Edit {
    const char* what;
    std::function<void(TestComponent&)> apply; // on a design marked unchanged
};

} // namespace

TEST(SceneUpdate, EveryKindOfUpdateEndsAsTheSceneOfOneFullTransferBesideOtherModelSets)
{
    // Nothing changed, and one component placed twice changed, are the
    // whole render session's second and third clicks.
    const std::vector<Edit> edits = {
        {"an unchanged component moved, and its parent is unchanged too",
         [](TestComponent& d) { d.children[1].x = -90; }},
        {"one of two placements with the same name changed",
         [](TestComponent& d) {
             d.children[4].changed = true;
             d.children[4].bodies = {{"Bolt C", 4, 0.1f}};
         }},
        {"the root component changed: its unchanged children keep theirs",
         [](TestComponent& d) {
             d.changed = true;
             d.bodies.push_back({"Cover Plate", 5, 0.4f});
         }},
        {"a placement removed and a new component added",
         [](TestComponent& d) {
             d.changed = true;
             d.children.erase(d.children.begin() + 1);
             d.children.push_back({"Cover", 125, true, {{"Cover Plate", 5, 0.4f}}, {}});
         }},
        {"a component lost all its bodies", [](TestComponent& d) {
             d.children[0].changed = true;
             d.children[0].bodies.clear();
         }},
    };
    const TestComponent gear{"Gear v2", 0, true, {{"Gear", 2, 0.4f}}, {}};
    for (const Edit& edit : edits) {
        SCOPED_TRACE(edit.what);
        TestComponent edited = gearbox();
        markAllUnchanged(edited);
        edit.apply(edited);

        // Unchanged components come without their bodies: the held ones
        // must make up for them.
        const std::string update = transferText("Gearbox", edited, false, 420);
        const std::string whole = transferText("Gearbox", edited, true, 420);
        EXPECT_LT(occurrences(update, "\nobject "), occurrences(whole, "\nobject "));

        // Another document's model set in between is kept apart, in the
        // order the sets came; the last transfer's camera is the scene's.
        HeldScene updated;
        applyOrFail(transferText("Gearbox", gearbox(), true, 100), updated);
        applyOrFail(transferText("Gear", gear, true, 200), updated);
        applyOrFail(update, updated);
        HeldScene full;
        applyOrFail(whole, full);
        applyOrFail(transferText("Gear", gear, true, 420), full);
        EXPECT_EQ(sceneFile(updated), sceneFile(full));
        ASSERT_EQ(updated.modelSets().size(), 2u);
        EXPECT_EQ(updated.modelSets()[0].name, "Gearbox");
    }
}

TEST(SceneUpdate, ARejectedTransferLeavesTheSceneAsItWas)
{
    HeldScene scene;
    applyOrFail(transferText("Gearbox", gearbox(), true), scene);
    const std::string before = sceneFile(scene);

    TestComponent edited = gearbox();
    edited.children[0].bodies[0].size = 9;
    const std::string good = transferText("Gearbox", edited, true);
    const std::string markless = good.substr(0, good.size() - standin::raydeck::kEndMark.size());
    std::string broken = good;
    broken.replace(broken.find("flags 32769", broken.find("\"Housing\"")), 11, "flags x");
    std::string glued = markless;
    glued.pop_back(); // the end mark not on a line of its own
    glued += standin::raydeck::kEndMark;

    const struct {
        const char* what;
        std::string bytes;
        const char* reason;
    } cases[] = {
        {"cut in the middle of the tree", good.substr(0, good.size() / 2), "without its end mark"},
        {"cut right before the end mark", markless, "without its end mark"},
        {"nothing at all", "", "without its end mark"},
        {"a broken line inside a group that read well so far", broken, "cannot read"},
        {"the end mark glued to the last line", glued, "without its end mark"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const standin::raydeck::TransferVerdict verdict = standin::raydeck::applyTransfer(c.bytes, scene);
        EXPECT_FALSE(verdict.accepted);
        EXPECT_NE(verdict.reason.find(c.reason), std::string::npos) << verdict.reason;
        EXPECT_EQ(sceneFile(scene), before);
    }
    // The end mark alone is a complete transfer of nothing.
    EXPECT_TRUE(standin::raydeck::applyTransfer(standin::raydeck::kEndMark, scene).accepted);
    EXPECT_EQ(sceneFile(scene), before);
}

TEST(SceneUpdate, TheDescriptionShowsEachModelSetWhereTheAddinLooksAndNothingElseByName)
{
    tinyxml2::XMLDocument document;
    HeldScene scene;
    ASSERT_EQ(document.Parse(standin::raydeck::describeScene(scene, 9, 4711).c_str()), tinyxml2::XML_SUCCESS);
    EXPECT_TRUE(vel::live::isEmptyScene(document.FirstChildElement()));

    // A document name that needs escaping in XML, and a component that is
    // named like another document.
    const TestComponent design{"R&D \"Box\" <1> v2", 0, true, {{"Lid", 1, 0.5f}}, {{"Gearbox", 0, true, {}, {}}}};
    applyOrFail(transferText("R&D \"Box\" <1>", design, true), scene);
    ASSERT_EQ(document.Parse(standin::raydeck::describeScene(scene, 9, 4711).c_str()), tinyxml2::XML_SUCCESS);
    const tinyxml2::XMLElement* root = document.FirstChildElement();
    EXPECT_FALSE(vel::live::isEmptyScene(root));
    for (const int version : {6, 9}) {
        SCOPED_TRACE(version);
        const int depth = vel::live::modelSetSearchDepth(version);
        EXPECT_NE(vel::live::findModelSet(*root, "R&D \"Box\" <1>", depth), nullptr);
        EXPECT_EQ(vel::live::findModelSet(*root, "Gearbox", depth), nullptr);
        EXPECT_EQ(vel::live::findModelSet(*root, "R&D", depth), nullptr);
    }
}
