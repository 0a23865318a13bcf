#include <gtest/gtest.h>

#include <scene/VelGroup.h>
#include <tests/support/GoldenFile.h>
#include <tests/support/SceneText.h>
#include <tests/support/SmallStack.h>

using scenetest::MarkerNode;

TEST(VelGroup, EmitsObjectsBeforeChildGroupsInInsertionOrder)
{
    auto root = std::make_shared<vel::VelGroup>("root");
    auto g1 = std::make_shared<vel::VelGroup>("g1");
    g1->setFlags(1);
    const double placement[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 10, 20, 30, 1};
    g1->setTransform(placement);

    // The group is added before the object; the object still comes first.
    root->addGroup(g1);
    root->addObject(std::make_shared<MarkerNode>("A"));
    root->addGroup(nullptr);
    root->addObject(nullptr);

    // createGroup hands back a child that is already attached.
    auto g2 = root->createGroup("g2");
    ASSERT_EQ(root->groups().back(), g2);
    g2->setFlags(32769);
    g2->addObject(std::make_shared<MarkerNode>("B"));

    scenetest::SceneText out;
    out.wrapper().writeNode(*root);
    EXPECT_TRUE(matchesGoldenFile("scene/golden/group_tree.rdk", out.finish()));
}

// Far deeper than a recursive emission or release survives on the add-in's
// 1 MiB stack (either took about 80 bytes a level): every level is opened and
// closed in order, its object before its child group, and releasing the root
// leaves a group that someone else still holds whole.
TEST(VelGroup, EmitsAndReleasesAChainOfAnyDepthWithoutRecursing)
{
    constexpr int kDepth = 100000;
    auto root = std::make_shared<vel::VelGroup>("g");
    std::shared_ptr<vel::VelGroup> kept;
    std::shared_ptr<vel::VelGroup> level = root;
    for (int i = 1; i < kDepth; ++i) {
        std::shared_ptr<vel::VelGroup> child = level->createGroup("g");
        level->addObject(std::make_shared<MarkerNode>("A"));
        level = std::move(child);
        if (i == kDepth - 2)
            kept = level;
    }
    level.reset();

    std::string text;
    rdtest::onAddinStack([&] {
        scenetest::SceneText out;
        out.api().setModeFlags(vel::ModeNoIndent);
        out.wrapper().writeNode(*root);
        text = out.finish();
        root.reset();
    });
    std::string expected;
    for (int i = 1; i < kDepth; ++i)
        expected += "\ngroup \"g\" {\nattribute \"leaf\" \"A\"\n";
    expected += "\ngroup \"g\" {\n";
    for (int i = 0; i < kDepth; ++i)
        expected += "}\n";
    EXPECT_EQ(text.size(), expected.size());
    EXPECT_TRUE(text == expected);

    ASSERT_EQ(kept.use_count(), 1);
    ASSERT_EQ(kept->groups().size(), 1u);
    EXPECT_EQ(kept->objects().size(), 1u);
    scenetest::SceneText rest;
    rest.wrapper().writeNode(*kept);
    EXPECT_EQ(rest.finish(), "\ngroup \"g\" {\n attribute \"leaf\" \"A\"\n\n group \"g\" {\n }\n}\n");
}
