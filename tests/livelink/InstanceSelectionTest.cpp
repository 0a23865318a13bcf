#include <InstanceSelection.h>
#include <LiveLibrary.h>
#include <ModelSetSearch.h>

#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

using namespace vel::live;

namespace {

// A query interface answering from a table of processes and recording its
// calls.
class FakeQuery final : public QueryApi {
public:
    struct Process {
        bool attach = true;
        std::optional<std::string> scene;
    };
    std::map<std::int64_t, Process> processes;
    std::vector<std::string> calls;

    const char* listInstances() override { return nullptr; }
    bool attach(std::int64_t processId) override
    {
        calls.push_back("attach " + std::to_string(processId));
        const auto it = processes.find(processId);
        attached_ = it != processes.end() && it->second.attach ? &it->second : nullptr;
        return attached_ != nullptr;
    }
    void detach() override
    {
        calls.push_back("detach");
        attached_ = nullptr;
    }
    const char* describeScene() override
    {
        calls.push_back("describe");
        return attached_ != nullptr && attached_->scene ? attached_->scene->c_str() : nullptr;
    }

private:
    const Process* attached_ = nullptr;
};

const std::string kEmpty = "<scene><contents><light/><camera/></contents></scene>";
const std::string kBusy = "<scene><contents><item name=\"Other\"><mesh/></item></contents></scene>";

std::string withModelSet(const std::string& name)
{
    return "<scene><contents><item name=\"" + name + "\"><mesh/></item></contents></scene>";
}

class Selecting : public testing::Test {
protected:
    Selection select(const std::vector<InstanceRecord>& instances, std::string_view name = "Gearbox",
                     bool acceptAny = false)
    {
        return selectInstance(query, instances, SelectionCriteria{name, acceptAny});
    }
    FakeQuery query;
};

} // namespace

TEST_F(Selecting, AProcessShowingTheModelSetWinsOverAnEmptySceneAndIsReused)
{
    query.processes = {{1, {true, kEmpty}}, {2, {true, withModelSet("Gearbox")}}};
    const Selection selection = select({{9, 1, 5000}, {9, 2, 5001}});
    EXPECT_EQ(selection.instance.processId, 2);
    EXPECT_EQ(selection.instance.liveLinkPort, 5001);
    EXPECT_TRUE(selection.reusing);

    const Selection fresh = select({{9, 1, 5000}}, "Gearbox");
    EXPECT_EQ(fresh.instance.processId, 1);
    EXPECT_FALSE(fresh.reusing);
}

TEST_F(Selecting, WithinAKindTheHighestVersionWinsAndTheFirstAmongEquals)
{
    query.processes = {{1, {true, kEmpty}}, {2, {true, kEmpty}}, {3, {true, kEmpty}}, {4, {true, kEmpty}}};
    EXPECT_EQ(select({{8, 1, 1}, {8, 2, 2}}).instance.processId, 1);
    EXPECT_EQ(select({{8, 1, 1}, {9, 2, 2}, {9, 3, 3}, {8, 4, 4}}).instance.processId, 2);

    query.processes[5] = {true, withModelSet("Gearbox")};
    query.processes[6] = {true, withModelSet("Gearbox")};
    // A match of a lower version still beats an empty scene of a higher one.
    const Selection selection = select({{9, 1, 1}, {8, 5, 5}, {8, 6, 6}});
    EXPECT_EQ(selection.instance.processId, 5);
    EXPECT_TRUE(selection.reusing);
}

TEST_F(Selecting, AnyDescribedSceneCountsOnlyWhenAccepted)
{
    query.processes = {{1, {true, kBusy}}, {2, {true, kEmpty}}, {3, {true, "this is no xml"}}};
    // Busy scenes are no candidates of their own.
    EXPECT_TRUE(select({{9, 1, 1}}).instance.empty());
    EXPECT_TRUE(select({{9, 3, 3}}).instance.empty());

    // Accepted, the highest version of every described scene wins, busy or
    // empty; the first among equals. An unparsable description is a scene.
    EXPECT_EQ(select({{8, 2, 2}, {9, 1, 1}}).instance.processId, 2);
    EXPECT_EQ(select({{8, 2, 2}, {9, 1, 1}}, "Gearbox", true).instance.processId, 1);
    EXPECT_EQ(select({{9, 2, 2}, {9, 1, 1}}, "Gearbox", true).instance.processId, 2);
    EXPECT_EQ(select({{9, 3, 3}}, "Gearbox", true).instance.processId, 3);
    EXPECT_FALSE(select({{9, 3, 3}}, "Gearbox", true).reusing);
}

TEST_F(Selecting, EveryAttachedProcessIsDetachedAndTheUnattachableAreSkipped)
{
    query.processes = {{1, {false, kEmpty}}, {2, {true, std::nullopt}}, {3, {true, kEmpty}}};
    const Selection selection = select({{9, 1, 1}, {9, 2, 2}, {9, 3, 3}, {9, 4, 4}}, "Gearbox", true);
    EXPECT_EQ(selection.instance.processId, 3);
    const std::vector<std::string> expected{"attach 1", "attach 2", "describe", "detach",
                                            "attach 3", "describe", "detach", "attach 4"};
    EXPECT_EQ(query.calls, expected);

    // No description: no candidate of any kind, not even with acceptAny.
    EXPECT_TRUE(select({{9, 1, 1}, {9, 2, 2}}, "Gearbox", true).instance.empty());
    EXPECT_TRUE(select({}).instance.empty());
}

TEST_F(Selecting, AnEmptyModelSetNameNeverMatches)
{
    query.processes = {{1, {true, "<scene><contents><item name=\"\"><m/></item></contents></scene>"}}};
    const Selection selection = select({{9, 1, 1}}, "", true);
    EXPECT_EQ(selection.instance.processId, 1);
    EXPECT_FALSE(selection.reusing);
}

TEST(EmptyScene, TheContainersItemsMustBeLeaves)
{
    const auto empty = [](const char* xml) {
        tinyxml2::XMLDocument document;
        document.Parse(xml);
        return isEmptyScene(document.FirstChildElement());
    };
    EXPECT_TRUE(empty("<scene><contents/></scene>"));
    EXPECT_TRUE(empty("<scene><contents><a/><b>text</b></contents><other><x><y/></x></other></scene>"));
    EXPECT_FALSE(empty("<scene><contents><a/><b><c/></b></contents></scene>"));
    EXPECT_FALSE(empty("<scene/>"));     // no container
    EXPECT_FALSE(empty("<scene>text</scene>"));
    EXPECT_FALSE(isEmptyScene(nullptr)); // an unparsable description
}

TEST(ModelSetSearch, VersionSevenAndLaterLookOneLevelDeeper)
{
    // The model set three levels below the root element.
    tinyxml2::XMLDocument document;
    document.Parse("<scene><a><b><c name=\"Gearbox\"/></b></a></scene>");
    const tinyxml2::XMLElement& root = *document.FirstChildElement();
    EXPECT_EQ(modelSetSearchDepth(6), 3);
    EXPECT_EQ(modelSetSearchDepth(7), 4);
    EXPECT_NE(findModelSet(root, "Gearbox", modelSetSearchDepth(7)), nullptr);
    EXPECT_EQ(findModelSet(root, "Gearbox", modelSetSearchDepth(6)), nullptr);
    EXPECT_EQ(findModelSet(root, "Gearbox", 0), nullptr);
    EXPECT_EQ(findModelSet(root, "Gearbox", -1), nullptr);

    // Through the selection: the same scene reused by 7, not by 6.
    FakeQuery query;
    query.processes = {{1, {true, "<scene><a><b><c name=\"Gearbox\"/></b></a></scene>"}}};
    EXPECT_TRUE(selectInstance(query, {{7, 1, 1}}, {"Gearbox", false}).reusing);
    EXPECT_TRUE(selectInstance(query, {{6, 1, 1}}, {"Gearbox", false}).instance.empty());
}

TEST(ModelSetSearch, OnlyActiveModelSetsAreSearchedAndNamesMatchExactly)
{
    tinyxml2::XMLDocument document;
    document.Parse("<scene>"
                   "<set modelset=\"inactive\" name=\"Gearbox\"/>"
                   "<set modelset=\"Active\"><item name=\"Gearbox\"/></set>"
                   "<set modelset=\"\"><item name=\"Gearbox\"/></set>"
                   "<item name=\"Gearbo\"/><item name=\"Gearbox \"/><item name=\"gearbox\"/>"
                   "<set modelset=\"active\"><item id=\"found\" name=\"Gearbox\"/></set>"
                   "<item id=\"later\" name=\"Gearbox\"/>"
                   "</scene>");
    const tinyxml2::XMLElement* found = findModelSet(*document.FirstChildElement(), "Gearbox", 4);
    ASSERT_NE(found, nullptr);
    EXPECT_STREQ(found->Attribute("id"), "found");

    // The root itself may be the model set, or hide everything.
    document.Parse("<scene name=\"Gearbox\"/>");
    EXPECT_NE(findModelSet(*document.FirstChildElement(), "Gearbox", 1), nullptr);
    document.Parse("<scene modelset=\"old\"><item name=\"Gearbox\"/></scene>");
    EXPECT_EQ(findModelSet(*document.FirstChildElement(), "Gearbox", 4), nullptr);
}
