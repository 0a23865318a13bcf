// Which running RayDeck the live link picks, asked through the scripted
// live library's query interface, and where it looks for its model set.

#include "ScriptedLive.h"

#include <livelink/InstanceSelection.h>
#include <livelink/LiveLibrary.h>
#include <sceneapi/dev/raydecklive_loader.h>

#include <gtest/gtest.h>

using namespace vel::live;

TEST(Selecting, AMatchWinsThenTheHighestVersionAndTheFirstAmongEqualsAndEveryProcessIsDetached)
{
    const std::string empty = "<scene><contents><light/><camera/></contents></scene>";
    rdtest::RegistrySandbox sandbox;
    rdtest::ScriptedLive live{sandbox};
    live.script.processes = {{1, {true, empty}},
                             {2, {true, rdtest::sceneWithModelSet("Gearbox")}},
                             {3, {true, empty}},
                             {4, {true, rdtest::sceneWithModelSet("Other")}},
                             {5, {true, "no xml"}},
                             {6, {true, rdtest::sceneWithModelSet("")}},
                             {7, {false, empty}},
                             {8, {true, std::nullopt}},
                             {9, {true, empty}},
                             {10, {true, "<scene/>"}},
                             {11, {true, "<scene><contents><a/><b>text</b></contents><o><x><y/></x></o></scene>"}},
                             {13, {true, "<scene><set modelset=\"inactive\" name=\"Gearbox\"/><set modelset=\"Active\">"
                                         "<item name=\"Gearbox\"/></set><item name=\"Gearbo\"/><item name=\"Gearbox \"/>"
                                         "<item name=\"gearbox\"/></scene>"}},
                             {14, {true, "<scene modelset=\"old\"><item name=\"Gearbox\"/></scene>"}},
                             {15, {true, "<scene><a><b><c name=\"Gearbox\"/></b></a></scene>"}},
                             {16, {true, "<scene><set modelset=\"active\"><item name=\"Gearbox\"/></set></scene>"}}};
    live.write();
    QueryApi* query = getQueryApi(9, 9);
    ASSERT_NE(query, nullptr);

    const struct {
        std::vector<InstanceRecord> instances;
        const char* name;
        bool acceptAny;
        std::int64_t chosen; // 0: none
        bool reusing;
    } cases[] = {
        {{{9, 1, 5000}, {8, 2, 5001}}, "Gearbox", false, 2, true}, // over an empty scene of any version
        {{{9, 1, 5000}}, "Gearbox", false, 1, false},
        {{{9, 6, 1}, {9, 3, 1}}, "", false, 3, false}, // an empty name matches nothing, not even ""
        {{{8, 1, 1}, {8, 3, 2}}, "Gearbox", false, 1, false},
        {{{8, 1, 1}, {9, 3, 2}, {9, 9, 3}}, "Gearbox", false, 3, false},
        // A busy scene counts only when any is accepted; so does one that
        // cannot be read, which is still a scene.
        {{{8, 1, 2}, {9, 4, 1}}, "Gearbox", false, 1, false},
        {{{8, 1, 2}, {9, 4, 1}}, "Gearbox", true, 4, false},
        {{{9, 5, 3}}, "Gearbox", false, 0, false},
        {{{9, 5, 3}}, "Gearbox", true, 5, false},
        // Empty: a container whose items are all leaves; none is not empty.
        {{{9, 10, 1}, {8, 11, 2}}, "Gearbox", false, 11, false},
        // Model sets are found by their exact name, only in active sets, and
        // from version 7 on one level deeper.
        {{{9, 13, 1}, {9, 14, 2}, {8, 16, 3}}, "Gearbox", false, 16, true},
        {{{7, 15, 1}}, "Gearbox", false, 15, true},
        {{{6, 15, 1}}, "Gearbox", false, 0, false},
        // Only processes that attach and describe a scene are candidates.
        {{{9, 7, 1}, {9, 8, 2}}, "Gearbox", true, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "the row choosing " << c.chosen << " by \"" << c.name << "\"");
        const Selection selection = selectInstance(*query, c.instances, SelectionCriteria{c.name, c.acceptAny});
        EXPECT_EQ(selection.instance.processId, c.chosen);
        EXPECT_EQ(selection.instance.empty(), c.chosen == 0);
        EXPECT_EQ(selection.reusing, c.reusing);
    }

    live.clearCalls();
    const std::vector<InstanceRecord> all{{9, 7, 1}, {9, 8, 2}, {9, 3, 3}, {9, 12, 4}};
    EXPECT_EQ(selectInstance(*query, all, {"Gearbox", true}).instance.processId, 3);
    EXPECT_EQ(live.calls(), std::vector<std::string>({"attach(7)", "attach(8)", "describeScene()", "detach()",
                                                      "attach(3)", "describeScene()", "detach()", "attach(12)"}));
}
