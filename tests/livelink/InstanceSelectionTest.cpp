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

// Answers attach and describe from a table of processes and records the calls.
class FakeQuery final : public QueryApi {
public:
    struct Process {
        bool attach = true;
        std::optional<std::string> scene;
    };
    std::map<std::int64_t, Process> processes;
    std::vector<std::string> calls;

    const char* listInstances() override { return nullptr; }
    bool attach(std::int64_t id) override
    {
        calls.push_back("attach " + std::to_string(id));
        const auto it = processes.find(id);
        attached_ = it != processes.end() && it->second.attach ? &it->second : nullptr;
        return attached_ != nullptr;
    }
    void detach() override { calls.push_back("detach"); attached_ = nullptr; }
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
const std::string kGearbox = "<scene><contents><item name=\"Gearbox\"><mesh/></item></contents></scene>";

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

TEST_F(Selecting, AMatchBeatsAnEmptySceneOfAnyVersionAndIsReused)
{
    query.processes = {{1, {true, kEmpty}}, {2, {true, kGearbox}}, {3, {true, kEmpty}}};
    const Selection selection = select({{9, 1, 5000}, {8, 2, 5001}});
    EXPECT_EQ(selection.instance, (InstanceRecord{8, 2, 5001}));
    EXPECT_TRUE(selection.reusing);

    EXPECT_FALSE(select({{9, 1, 5000}}).reusing);
    // An empty name matches nothing, not even an item named "".
    query.processes[2].scene = "<scene><contents><item name=\"\"><m/></item></contents></scene>";
    EXPECT_EQ(select({{9, 2, 1}, {9, 3, 1}}, "").instance.processId, 3);
}

TEST_F(Selecting, TheHighestVersionWinsAndTheFirstAmongEquals)
{
    query.processes = {{1, {true, kEmpty}}, {2, {true, kEmpty}}, {3, {true, kEmpty}}};
    EXPECT_EQ(select({{8, 1, 1}, {8, 2, 2}}).instance.processId, 1);
    EXPECT_EQ(select({{8, 1, 1}, {9, 2, 2}, {9, 3, 3}}).instance.processId, 2);
}

TEST_F(Selecting, ABusySceneCountsOnlyWhenAnyIsAccepted)
{
    query.processes = {{1, {true, kBusy}}, {2, {true, kEmpty}}, {3, {true, "no xml"}}};
    EXPECT_EQ(select({{8, 2, 2}, {9, 1, 1}}).instance.processId, 2);
    EXPECT_EQ(select({{8, 2, 2}, {9, 1, 1}}, "Gearbox", true).instance.processId, 1);
    EXPECT_TRUE(select({{9, 3, 3}}).instance.empty());
    // An unparsable description is still a scene.
    EXPECT_EQ(select({{9, 3, 3}}, "Gearbox", true).instance.processId, 3);
}

TEST_F(Selecting, EveryAttachedProcessIsDetachedAndOnlyDescribedOnesAreCandidates)
{
    query.processes = {{1, {false, kEmpty}}, {2, {true, std::nullopt}}, {3, {true, kEmpty}}};
    EXPECT_EQ(select({{9, 1, 1}, {9, 2, 2}, {9, 3, 3}, {9, 4, 4}}, "Gearbox", true).instance.processId, 3);
    EXPECT_EQ(query.calls, std::vector<std::string>({"attach 1", "attach 2", "describe", "detach", "attach 3",
                                                     "describe", "detach", "attach 4"}));
    EXPECT_TRUE(select({{9, 1, 1}, {9, 2, 2}}, "Gearbox", true).instance.empty());
}

TEST(SceneDescription, EmptyMeansAContainerWhoseItemsAreAllLeaves)
{
    const auto empty = [](const char* xml) {
        tinyxml2::XMLDocument document;
        document.Parse(xml);
        return isEmptyScene(document.FirstChildElement());
    };
    EXPECT_TRUE(empty("<scene><contents/></scene>"));
    EXPECT_TRUE(empty("<scene><contents><a/><b>text</b></contents><other><x><y/></x></other></scene>"));
    EXPECT_FALSE(empty("<scene><contents><a/><b><c/></b></contents></scene>"));
    EXPECT_FALSE(empty("<scene/>"));
    EXPECT_FALSE(isEmptyScene(nullptr));
}

TEST(SceneDescription, ModelSetsAreFoundOneLevelDeeperFromVersionSeven)
{
    // Three levels below the root element.
    FakeQuery query;
    query.processes = {{1, {true, "<scene><a><b><c name=\"Gearbox\"/></b></a></scene>"}}};
    EXPECT_TRUE(selectInstance(query, {{7, 1, 1}}, {"Gearbox", false}).reusing);
    EXPECT_TRUE(selectInstance(query, {{6, 1, 1}}, {"Gearbox", false}).instance.empty());
}

TEST(SceneDescription, OnlyActiveModelSetsAreSearchedAndNamesMatchExactly)
{
    tinyxml2::XMLDocument document;
    document.Parse("<scene>"
                   "<set modelset=\"inactive\" name=\"Gearbox\"/>"
                   "<set modelset=\"Active\"><item name=\"Gearbox\"/></set>"
                   "<item name=\"Gearbo\"/><item name=\"Gearbox \"/><item name=\"gearbox\"/>"
                   "<set modelset=\"active\"><item id=\"found\" name=\"Gearbox\"/></set>"
                   "<item id=\"later\" name=\"Gearbox\"/>"
                   "</scene>");
    const tinyxml2::XMLElement* found = findModelSet(*document.FirstChildElement(), "Gearbox", 4);
    ASSERT_NE(found, nullptr);
    EXPECT_STREQ(found->Attribute("id"), "found");

    document.Parse("<scene modelset=\"old\"><item name=\"Gearbox\"/></scene>");
    EXPECT_EQ(findModelSet(*document.FirstChildElement(), "Gearbox", 4), nullptr);
}
