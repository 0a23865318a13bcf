#include <gtest/gtest.h>

#include <scene/VelGroup.h>
#include <tests/support/GoldenFile.h>
#include <tests/support/SceneText.h>

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
