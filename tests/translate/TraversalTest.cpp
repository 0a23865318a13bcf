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
    sh::ComponentData root;
    root.name = "Root";
    root.bodies.push_back(body("Base", {face()}));
    root.occurrences = {placement(1, 1, 0, 0), placement(2, 0, 2, 0)};
    sh::ComponentData wheel;
    wheel.name = "Wheel";
    wheel.bodies.push_back(body("Rim", {face(0), face(0)}));
    sh::ComponentData axle;
    axle.name = "Axle";
    axle.bodies.push_back(body("Rod", {face()}));
    return design("Cart v4", {root, wheel, axle}, {colour("Red", "Red paint", 255, 0, 0), colour("Blue", "Blue paint", 0, 0, 255)});
}

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

TEST_F(TranslateTest, FirstPassSendsEverythingAndASecondPassOnlyTheStructure)
{
    open(wheelAndAxle());
    auto scene = pass();
    EXPECT_EQ(scene->name(), "Cart");
    EXPECT_EQ(scene->flags(), 0u);
    EXPECT_FALSE(scene->hasTransform());

    Pass first = components(scene);
    EXPECT_EQ(first.root->flags(), kChanged);
    EXPECT_EQ(childNames(first.root), (std::vector<std::string>{"Wheel", "Axle", "Base"}));
    EXPECT_EQ(childNames(first.wheel), (std::vector<std::string>{"Rim"}));
    EXPECT_EQ(first.wheel->transform()[12], 100.0); // 1 cm in the initial unit factor of 100 per cm

    Pass second = components(pass());
    for (const auto& g : {second.root, second.wheel, second.axle})
        EXPECT_EQ(g->flags(), kUnchanged) << g->name();
    // Placements stay, with their transforms; bodies are not sent again.
    EXPECT_EQ(childNames(second.root), (std::vector<std::string>{"Wheel", "Axle"}));
    EXPECT_TRUE(second.wheel->groups().empty());
    EXPECT_TRUE(second.wheel->hasTransform());
    EXPECT_EQ(second.axle->transform()[13], 200.0);
}

TEST_F(TranslateTest, AnEditMarksOnlyTheEditedComponentChanged)
{
    struct Edit {
        const char* what;
        void (*apply)(sh::DesignData&);
    };
    const Edit edits[] = {
        {"body light bulb", [](sh::DesignData& d) { d.components[1].bodies[0].visible = false; }},
        {"face appearance identifier", [](sh::DesignData& d) { d.components[1].bodies[0].faces[1].appearance = 1; }},
        {"added body", [](sh::DesignData& d) { d.components[1].bodies.push_back(body("Tyre", {face()})); }},
        {"area", [](sh::DesignData& d) { d.components[1].physicalProperties = sh::PhysicalData{99, 1}; }},
    };
    for (const Edit& edit : edits) {
        SCOPED_TRACE(edit.what);
        sh::reset();
        translator.reset();
        open(wheelAndAxle());
        pass();
        pass();
        sh::DesignData edited = wheelAndAxle();
        edit.apply(edited);
        open(edited);
        Pass after = components(pass());
        EXPECT_EQ(after.wheel->flags(), kChanged);
        EXPECT_FALSE(after.wheel->groups().empty()); // its bodies are sent again
        EXPECT_EQ(after.axle->flags(), kUnchanged);
        EXPECT_TRUE(after.axle->groups().empty());
        EXPECT_EQ(after.root->flags(), kUnchanged);
    }
}

TEST_F(TranslateTest, ANaNAreaCountsAsChangedOnEveryPass)
{
    sh::DesignData data = wheelAndAxle();
    data.components[2].physicalProperties = sh::PhysicalData{std::numeric_limits<double>::quiet_NaN(), 1};
    open(data);
    for (int i = 0; i < 3; ++i) {
        Pass p = components(pass());
        EXPECT_EQ(p.axle->flags(), kChanged);
        EXPECT_EQ(p.wheel->flags(), i == 0 ? kChanged : kUnchanged);
    }
}

TEST_F(TranslateTest, ComponentsSharingANameShareOneRecord)
{
    sh::ComponentData root;
    root.name = "Root";
    root.occurrences = {placement(1), placement(2)};
    sh::ComponentData a, b;
    a.name = b.name = "Part";
    a.physicalProperties = sh::PhysicalData{1, 1};
    b.physicalProperties = sh::PhysicalData{2, 1};
    open(design("Pair", {root, a, b}));

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

TEST_F(TranslateTest, AHiddenPlacementIsAnEmptyGroupWithItsTransform)
{
    sh::DesignData data = wheelAndAxle();
    data.components[0].occurrences[0].visible = false;
    open(data);
    Pass first = components(pass());
    EXPECT_EQ(first.wheel->name(), "Wheel");
    EXPECT_EQ(first.wheel->flags(), kChanged);
    EXPECT_TRUE(first.wheel->groups().empty());
    EXPECT_TRUE(first.wheel->hasTransform());
    EXPECT_FALSE(exporter().currentRecords().at("Wheel").visible);

    Pass second = components(pass());
    EXPECT_EQ(second.wheel->flags(), kUnchanged);
    EXPECT_TRUE(second.wheel->groups().empty());
}

TEST_F(TranslateTest, OneGroupPerDesignAndNoneForOtherProducts)
{
    sh::DesignData data = wheelAndAxle();
    sh::ProductData other;
    other.type = sh::ProductType::Other;
    sh::ProductData secondDesign;
    secondDesign.rootComponent = 2;
    data.products = {data.products[0], other, secondDesign};
    open(data);
    EXPECT_EQ(childNames(pass()), (std::vector<std::string>{"Root", "Axle"}));

    data.products = {other};
    open(data);
    auto empty = pass();
    EXPECT_EQ(empty->name(), "Cart");
    EXPECT_TRUE(empty->groups().empty());
}

TEST_F(TranslateTest, TransformsRunColumnByColumnWithTheTranslationInDesignUnits)
{
    sh::DesignData data = wheelAndAxle();
    // A quarter turn about z, moved by (1, 2, 3) cm, in a millimetre design.
    sh::Matrix4& m = data.components[0].occurrences[0].transform;
    m = {{{0, -1, 0, 1}, {1, 0, 0, 2}, {0, 0, 1, 3}, {0, 0, 0, 1}}};
    open(data);
    exporter().setUnitsPerCentimetre(10.0f);
    const auto wheel = components(pass()).wheel;
    const std::array<double, 16> expected = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 10, 20, 30, 1};
    EXPECT_EQ(wheel->transform(), expected);
}

TEST_F(TranslateTest, MissingHostObjectsRaise)
{
    sh::DesignData data = wheelAndAxle();
    data.components[0].occurrences[1].component = sh::kNone;
    open(data);
    EXPECT_THROW(pass(), std::exception);

    data = wheelAndAxle();
    data.components[2].missing.physicalProperties = true;
    open(data);
    EXPECT_THROW(pass(), std::exception);
    EXPECT_THROW(exporter().buildScene(nullptr), std::exception);
}

TEST(TrimVersionSuffix, CutsABlankAndAVersionNumber)
{
    const std::pair<const char*, const char*> cases[] = {
        {"Gearbox v3", "Gearbox"},   {"Gear box v12", "Gear box"}, {"Part 12", "Part"},
        {"Gearbox", "Gearbox"},      {"Gearbox v", "Gearbox v"},   {"Gearbox v3a", "Gearbox v3a"},
        {"Gearbox vX1", "Gearbox vX1"}, {"Gearbox ", "Gearbox "},  {"", ""},
        {" v2", ""},
    };
    for (const auto& [name, trimmed] : cases)
        EXPECT_EQ(vel::trimVersionSuffix(name), trimmed) << name;
}
