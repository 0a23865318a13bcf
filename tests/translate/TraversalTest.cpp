// The walk over components and occurrences, and the change detection that
// makes a second transfer an update.

#include <cmath>
#include <limits>

#include "TranslateFixture.h"

using namespace translatetest;

namespace {

constexpr std::uint32_t kChanged = 32769;
constexpr std::uint32_t kUnchanged = 1;

// Root (body "Base") placing Wheel (body "Rim", red faces) and Axle (body "Rod").
sh::DesignData wheelAndAxle()
{
    return design("Cart v4",
                  {component("Root", {body("Base", {face()})}, {placement(1, 1), placement(2, 0, 2)}),
                   component("Wheel", {body("Rim", {face(0), face(0)})}), component("Axle", {body("Rod", {face()})})},
                  {colour("Red", "Red paint", 255, 0, 0), colour("Blue", "Blue paint", 0, 0, 255)});
}

// An edit of the design, named for the failure message.
struct Change {
    const char* what;
    void (*apply)(sh::DesignData&);
};

// The component groups of one pass: root component, then Wheel and Axle.
struct Pass {
    std::shared_ptr<vel::VelGroup> root, wheel, axle;
};

Pass components(const std::shared_ptr<vel::VelGroup>& scene)
{
    Pass p;
    p.root = child(scene, 0);
    p.wheel = child(p.root, 0);
    p.axle = child(p.root, 1);
    return p;
}

} // namespace

// Unchanged, a second pass sends only the structure; each edit then turns the
// design of the first two passes into that of the third, and only the edited
// component is sent again. `before`, where given, first makes the design the
// passes start from. The first pass, in full, is what the golden scenes hold.
TEST_F(TranslateTest, ASecondPassSendsOnlyTheStructureAndAnEditOnlyTheEditedComponent)
{
    struct Edit {
        const char* what;
        void (*before)(sh::DesignData&);
        void (*apply)(sh::DesignData&);
    };
    const auto hideWheel = [](sh::DesignData& d) { d.components[0].occurrences[0].visible = false; };
    const Edit edits[] = {
        {"body light bulb", nullptr, [](sh::DesignData& d) { d.components[1].bodies[0].visible = false; }},
        {"face appearance identifier", nullptr,
         [](sh::DesignData& d) { d.components[1].bodies[0].faces[1].appearance = 1; }},
        {"added body", nullptr, [](sh::DesignData& d) { d.components[1].bodies.push_back(body("Tyre", {face()})); }},
        {"area", nullptr, [](sh::DesignData& d) { d.components[1].physicalProperties = sh::PhysicalData{99, 1}; }},
        // Hiding or showing a placement between clicks must reach the
        // renderer, or it goes on showing a hidden part.
        {"placement hidden", nullptr, hideWheel},
        {"placement shown", hideWheel, [](sh::DesignData& d) { d.components[0].occurrences[0].visible = true; }},
    };
    for (const Edit& edit : edits) {
        SCOPED_TRACE(edit.what);
        sh::reset();
        translator.reset();
        sh::DesignData start = wheelAndAxle();
        if (edit.before)
            edit.before(start);
        open(start);
        EXPECT_EQ(components(pass()).root->flags(), kChanged);
        const Pass second = components(pass());
        for (const auto& g : {second.root, second.wheel, second.axle})
            EXPECT_EQ(g->flags(), kUnchanged) << g->name();
        // Placements stay, with their transforms; bodies are not sent again.
        EXPECT_EQ(second.root->groups().size(), 2u);
        EXPECT_TRUE(second.wheel->groups().empty());
        EXPECT_EQ(second.axle->transform()[13], 200.0); // 2 cm at the initial 100 units per cm
        sh::DesignData edited = start;
        edit.apply(edited);
        open(edited);
        Pass after = components(pass());
        EXPECT_EQ(after.wheel->flags(), kChanged);
        // Its bodies are sent again, unless it is hidden: then it is an empty group.
        EXPECT_EQ(after.wheel->groups().empty(), !edited.components[0].occurrences[0].visible);
        EXPECT_EQ(after.axle->flags(), kUnchanged);
        EXPECT_TRUE(after.axle->groups().empty());
        EXPECT_EQ(after.root->flags(), kUnchanged);
    }
}

// A NaN area, changed on every pass, is in the golden scenes (sent twice).
TEST_F(TranslateTest, ComponentsSharingANameShareOneRecord)
{
    sh::ComponentData a = component("Part"), b = component("Part");
    a.physicalProperties = sh::PhysicalData{1, 1};
    b.physicalProperties = sh::PhysicalData{2, 1};
    open(design("Pair", {component("Root", {}, {placement(1), placement(2)}), a, b}));

    Pass first = components(pass());
    EXPECT_EQ(first.wheel->flags(), kChanged);
    EXPECT_EQ(first.axle->flags(), kChanged);
    // The record kept is the last one written (area 2): the first component
    // differs from it on every pass, the second never does.
    Pass second = components(pass());
    EXPECT_EQ(second.wheel->flags(), kChanged);
    EXPECT_EQ(second.axle->flags(), kUnchanged);
    EXPECT_EQ(exporter().sentRecords().at("Part").area, 2.0);
}

TEST_F(TranslateTest, RecordsOfComponentsThatDisappearSurvive)
{
    open(wheelAndAxle());
    pass();
    sh::DesignData withoutWheel = wheelAndAxle();
    withoutWheel.components[0].occurrences.erase(withoutWheel.components[0].occurrences.begin());
    open(withoutWheel);
    Pass second = components(pass());
    EXPECT_EQ(second.root->flags(), kChanged); // its child components changed
    EXPECT_EQ(exporter().currentRecords().count("Wheel"), 1u);

    open(wheelAndAxle());
    Pass third = components(pass());
    EXPECT_EQ(third.wheel->flags(), kUnchanged);
    EXPECT_EQ(third.root->flags(), kChanged);
}

// Hidden placements, other products and transforms are in the golden scenes
// of the add-in's exports.
TEST_F(TranslateTest, AHostObjectThatIsMissingRaisesOutOfThePass)
{
    const Change gaps[] = {
        {"placed component", [](sh::DesignData& d) { d.components[0].occurrences[1].component = sh::kNone; }},
        {"physical properties", [](sh::DesignData& d) { d.components[2].missing.physicalProperties = true; }},
        {"faces", [](sh::DesignData& d) { d.components[1].bodies[0].missing.faces = true; }},
        {"mesh manager", [](sh::DesignData& d) { d.components[1].bodies[0].faces[0].missing.meshManager = true; }},
        {"appearance properties", [](sh::DesignData& d) { d.appearances[0].missing.properties = true; }},
    };
    for (const Change& gap : gaps) {
        SCOPED_TRACE(gap.what);
        sh::DesignData data = wheelAndAxle();
        gap.apply(data);
        open(data);
        EXPECT_THROW(pass(), std::exception);
    }
    EXPECT_THROW(exporter().buildScene(nullptr), std::exception);
}

TEST(TrimVersionSuffix, CutsABlankAndAVersionNumber)
{
    const std::pair<const char*, const char*> cases[] = {
        {"Gear box v12", "Gear box"}, {"Part 12", "Part"}, {"Gearbox v", "Gearbox v"},
        {"Gearbox v3a", "Gearbox v3a"}, {"Gearbox ", "Gearbox "}, {" v2", ""},
    };
    for (const auto& [name, trimmed] : cases)
        EXPECT_EQ(vel::trimVersionSuffix(name), trimmed) << name;
}
