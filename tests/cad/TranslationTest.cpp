// Change detection on real files: between two readings of one file, and
// between versions of it edited as a user would.

#include "CadTestSupport.h"

#include <Core/CoreAll.h>
#include <Fusion/FusionAll.h>
#include <StandIn/StandIn.h>

#include <scene/VelGroup.h>
#include <translate/FusionExporter.h>

#include <map>
#include <memory>

namespace {

using namespace cadtest;
using adsk::core::Ptr;

constexpr std::uint32_t kUnchanged = 1;
constexpr std::uint32_t kChanged = 32769;

class RealTranslation : public ::testing::Test {
protected:
    void SetUp() override
    {
        sh::reset();
        file = caxIf("as1-oc-214.stp");
        CAD_REQUIRE_FILE(file);
    }
    void TearDown() override
    {
        exporter.reset();
        sh::reset();
    }

    FusionExporter& translator()
    {
        if (!exporter) {
            Ptr<adsk::core::Application> app = adsk::core::Application::get();
            exporter = std::make_unique<FusionExporter>(app->userInterface(), app);
        }
        return *exporter;
    }

    // Opens the file and walks it; per component, whether any placement of
    // it was sent as changed.
    std::map<std::string, bool> pass(const fs::path& design)
    {
        sh::openDesignAnyFormat(design);
        std::shared_ptr<vel::VelGroup> root =
            translator().buildScene(adsk::core::Application::get()->activeDocument());
        std::map<std::string, bool> changed;
        collect(root, changed);
        return changed;
    }

    static void collect(const std::shared_ptr<vel::VelGroup>& group, std::map<std::string, bool>& changed)
    {
        for (const auto& node : group->groups()) {
            auto child = std::dynamic_pointer_cast<vel::VelGroup>(node);
            if (child->flags() == kChanged || child->flags() == kUnchanged)
                changed[child->name()] = changed[child->name()] || child->flags() == kChanged;
            collect(child, changed);
        }
    }

    static std::vector<std::string> changedNames(const std::map<std::string, bool>& pass)
    {
        std::vector<std::string> names;
        for (const auto& [name, changed] : pass)
            if (changed)
                names.push_back(name);
        return names;
    }

    fs::path file;
    std::unique_ptr<FusionExporter> exporter;
};

// Read again unchanged, the file sends nothing. Then the same file edited as
// a user would in a CAD program: the rod painted blue, then the nut hidden
// too. Only what was edited is sent again.
TEST_F(RealTranslation, AnEditedFileSendsOnlyTheEditedParts)
{
    const auto first = pass(file);
    EXPECT_EQ(first.size(), 9u);
    EXPECT_EQ(changedNames(first).size(), 9u);
    EXPECT_EQ(changedNames(pass(file)), std::vector<std::string>{});

    EditedCopy painted(file);
    painted.replace("#6263 = COLOUR_RGB('',1.,0.5,0.E+000);", "#6263 = COLOUR_RGB('',0.25,0.5,1.);");
    EXPECT_EQ(changedNames(pass(painted.write())), std::vector<std::string>{"rod"});

    // INVISIBILITY of the nut's styled item.
    painted.replace("#6264 = PROPERTY_DEFINITION_REPRESENTATION(",
                    "#99999 = INVISIBILITY((#6247));\n#6264 = PROPERTY_DEFINITION_REPRESENTATION(");
    EXPECT_EQ(changedNames(pass(painted.write())), std::vector<std::string>{"nut"});
    EXPECT_EQ(changedNames(pass(painted.write())), std::vector<std::string>{});
}

} // namespace
