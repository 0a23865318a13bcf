// The loader of design files: the numbered corpus under designs/ (files named
// *_bad_* must be rejected with the message in their .expect file; the good
// ones are exported against golden scenes in tests/addin), and what good
// files hold that no scene shows.

#include "HostTestSupport.h"

#include <tests/support/DeepDesign.h>
#include <tests/support/Sandbox.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <fstream>
#include <numbers>

using namespace hosttest;
using adsk::core::Application;
using adsk::core::ColorProperty;
using adsk::core::FilenameProperty;
using adsk::core::FloatProperty;
using adsk::fusion::Design;

namespace {

std::vector<std::filesystem::path> corpus(bool bad)
{
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(designsDir())) {
        const std::string name = entry.path().filename().string();
        if (name.ends_with(".design.json") && (name.find("_bad_") != std::string::npos) == bad)
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::filesystem::path expectationOf(std::filesystem::path design)
{
    const std::string name = design.filename().string();
    return design.replace_filename(name.substr(0, name.size() - std::string(".design.json").size()) + ".expect");
}

} // namespace

class DesignLoader : public HostTest {};

TEST_F(DesignLoader, EveryBadDesignIsRejectedWithItsExpectedMessageAndChangesNothing)
{
    sh::openDesignFile(designsDir() / "01_gearbox.design.json");
    const std::size_t objectsBefore = sh::liveObjects();

    const auto bad = corpus(true);
    ASSERT_GE(bad.size(), 30u);
    for (const auto& file : bad) {
        SCOPED_TRACE(file.filename().string());
        const auto expectation = expectationOf(file);
        const std::string text = rdtest::readFile(rdtest::utf8FromPath(expectation));
        const std::string expected = text.substr(0, text.find('\n'));
        const std::string source = file.string();

        EXPECT_EQ(rejection([&] { sh::openDesignFile(file); }), source + ": " + expected);
        // The same text from memory goes through the same checks.
        const std::string design = rdtest::readFile(rdtest::utf8FromPath(file));
        EXPECT_EQ(rejection([&] { sh::parseDesign(design, "memory"); }), "memory: " + expected);
    }
    // Files that cannot be read at all.
    const auto missing = designsDir() / "no_such.design.json";
    EXPECT_EQ(rejection([&] { sh::openDesignFile(missing); }),
              missing.string() + ": cannot open: No such file or directory");
    EXPECT_EQ(rejection([&] { sh::openDesignFile(designsDir()); }),
              designsDir().string() + ": cannot read: is a directory");

    EXPECT_EQ(Application::get()->activeDocument()->name(), "Gearbox v3");
    EXPECT_EQ(sh::liveObjects(), objectsBefore);
}

// What the add-in's export and live session of the example (golden files in
// tests/addin) cannot show: the document and its products, given physical
// properties, appearance identifiers and properties it does not translate.
TEST_F(DesignLoader, TheDocumentedExampleReadsBackThroughTheApi)
{
    sh::openDesignFile(designsDir() / "01_gearbox.design.json");
    Ptr<Application> app = Application::get();
    Ptr<adsk::core::Document> document = app->activeDocument();
    EXPECT_EQ(document->name(), "Gearbox v3");
    ASSERT_EQ(document->products()->count(), 2u);

    Ptr<adsk::fusion::Component> root = designAt(0)->rootComponent();
    EXPECT_EQ(root->physicalProperties()->area(), 1250.5);
    EXPECT_EQ(root->physicalProperties()->volume(), 310.25);
    EXPECT_FALSE(root->occurrences()->item(0)->appearance());
    Ptr<adsk::fusion::BRepBody> body = root->bRepBodies()->item(0);
    EXPECT_FALSE(body->faces()->item(0)->appearance());

    Ptr<adsk::core::Appearance> paint = body->appearance();
    EXPECT_EQ(paint->id(), "Prism-093");
    Ptr<ColorProperty> diffuse = paint->appearanceProperties()->item(0);
    ASSERT_TRUE(diffuse);
    EXPECT_EQ(diffuse->id(), "generic_diffuse");
    short r = 0, g = 0, b = 0, a = 0;
    ASSERT_TRUE(diffuse->value()->getColor(r, g, b, a));
    EXPECT_EQ(a, 255);
    EXPECT_EQ(Ptr<FloatProperty>(paint->appearanceProperties()->item(1))->value(), 0.8);
}

TEST_F(DesignLoader, AnAbsentViewportIsTheDefaultViewOfTheOrientationAndNullIsNoViewport)
{
    const auto up = [] { return Application::get()->activeViewport()->camera()->upVector()->asArray(); };

    sh::openDesignFile(designsDir() / "02_minimal.design.json");
    Ptr<adsk::core::Camera> camera = Application::get()->activeViewport()->camera();
    double x = 0, y = 0, z = 0;
    camera->eye()->getData(x, y, z);
    EXPECT_EQ((std::array<double, 3>{x, y, z}), (std::array<double, 3>{100, 100, 100}));
    camera->target()->getData(x, y, z);
    EXPECT_EQ((std::array<double, 3>{x, y, z}), (std::array<double, 3>{0, 0, 0}));
    EXPECT_DOUBLE_EQ(camera->perspectiveAngle(), std::numbers::pi / 6);
    EXPECT_EQ(up(), (std::vector<double>{0, 1, 0}));

    // The orientation comes after "host" fields that could have set the view.
    sh::openDesignFile(designsDir() / "03_zup_default_view.design.json");
    EXPECT_EQ(up(), (std::vector<double>{0, 0, 1}));
    EXPECT_EQ(Application::get()->preferences()->generalPreferences()->defaultModelingOrientation(),
              adsk::core::ZUpModelingOrientation);

    sh::openDesignFile(designsDir() / "04_no_viewport.design.json");
    EXPECT_FALSE(Application::get()->activeViewport());
    EXPECT_DOUBLE_EQ(camera->perspectiveAngle(), std::numbers::pi / 6) << "a copy, not the host's view";
}

TEST_F(DesignLoader, AbsentPhysicalPropertiesAreComputedPerBodyAndNaNIsKept)
{
    // A 2 × 3 × 4 box, a unit cube stored inside out, and a body without faces.
    sh::openDesignFile(designsDir() / "05_computed_properties.design.json");
    Ptr<adsk::fusion::PhysicalProperties> p = designAt(0)->rootComponent()->physicalProperties();
    EXPECT_DOUBLE_EQ(p->area(), 52.0 + 6.0);
    EXPECT_DOUBLE_EQ(p->volume(), 24.0 + 1.0);

    sh::openDesignFile(designsDir() / "06_nan_properties.design.json");
    p = designAt(0)->rootComponent()->physicalProperties();
    EXPECT_TRUE(std::isnan(p->area()));
    EXPECT_EQ(p->volume(), 0.0);
    EXPECT_EQ(Application::get()->activeViewport()->camera()->cameraType(), adsk::core::OrthographicCameraType);
}

TEST_F(DesignLoader, PropertiesOfEveryTypeNestedTexturesAndNarrowedMeshNumbersComeThrough)
{
    sh::openDesignFile(designsDir() / "07_appearances.design.json");
    Ptr<adsk::fusion::BRepBody> body = designAt(0)->rootComponent()->bRepBodies()->item(0);
    EXPECT_EQ(body->appearance()->id(), "Plain");
    EXPECT_EQ(body->appearance()->appearanceProperties()->count(), 0u);
    EXPECT_EQ(body->faces()->item(1)->meshManager()->displayMeshes()->count(), 0u);
    EXPECT_FALSE(body->faces()->item(1)->appearance());

    Ptr<adsk::core::Properties> wood = body->faces()->item(0)->appearance()->appearanceProperties();
    ASSERT_EQ(wood->count(), 6u);
    const char* types[] = {"adsk::core::ColorProperty",   "adsk::core::FloatProperty", "adsk::core::IntegerProperty",
                           "adsk::core::BooleanProperty", "adsk::core::StringProperty", "adsk::core::ColorProperty"};
    for (std::size_t i = 0; i < 6; ++i)
        EXPECT_STREQ(wood->item(i)->objectType(), types[i]) << i;

    Ptr<ColorProperty> diffuse = wood->item(0);
    EXPECT_FALSE(diffuse->value());
    Ptr<adsk::core::Properties> texture = diffuse->connectedTexture()->properties();
    ASSERT_EQ(texture->count(), 3u);
    Ptr<ColorProperty> tint = texture->item(2);
    EXPECT_EQ(Ptr<FilenameProperty>(tint->connectedTexture()->properties()->item(0))->value(), "checker.png");

    EXPECT_EQ(Ptr<FloatProperty>(wood->item(1))->value(), -0.5);
    EXPECT_EQ(Ptr<adsk::core::IntegerProperty>(wood->item(2))->value(), INT_MIN);
    EXPECT_FALSE(Ptr<adsk::core::BooleanProperty>(wood->item(3))->value());
    EXPECT_EQ(Ptr<adsk::core::StringProperty>(wood->item(4))->value(), "Wood \xC3\xA9");
    short r = 0, g = 0, b = 0, a = 9;
    Ptr<ColorProperty>(wood->item(5))->value()->getColor(r, g, b, a);
    EXPECT_EQ((std::array<short, 4>{r, g, b, a}), (std::array<short, 4>{255, 0, 128, 0}));

    // Mesh numbers are narrowed to floats as the host hands them out.
    Ptr<adsk::fusion::TriangleMesh> mesh = body->faces()->item(0)->meshManager()->displayMeshes()->item(0);
    EXPECT_EQ(mesh->nodeCoordinatesAsFloat(),
              (std::vector<float>{0.1f, 0.2f, 0.3f, 1e-3f, -7.0f, 3.4028234e38f, 16777216.0f, 0.0f, 1.0f}));
    EXPECT_TRUE(mesh->normalVectorsAsFloat().empty());
    EXPECT_EQ(mesh->nodeIndices(), (std::vector<int>{2, 1, 0}));
}

TEST_F(DesignLoader, PlacementsShareTheirComponentAndKeepTheirOwnTransformAndLightBulb)
{
    sh::openDesignFile(designsDir() / "08_placements.design.json");
    Ptr<adsk::fusion::Component> top = designAt(0)->rootComponent();
    Ptr<adsk::fusion::Occurrences> occurrences = top->occurrences();
    ASSERT_EQ(occurrences->count(), 3u);
    EXPECT_EQ(occurrences->item(0)->component().get(), occurrences->item(1)->component().get());
    EXPECT_EQ(occurrences->item(3), nullptr);

    // Transforms are in the golden scene of this design (tests/addin).
    Ptr<adsk::core::Matrix3D> turned = occurrences->item(0)->transform();
    EXPECT_EQ(turned->getCell(4, 0), 0.0) << "outside the matrix";
    EXPECT_EQ(turned->getCell(0, -1), 0.0);
    EXPECT_FALSE(occurrences->item(1)->isLightBulbOn());
    EXPECT_EQ(occurrences->item(1)->appearance()->id(), "Brass");

    // Two components named "Bolt": the plate, which places the bolt again.
    Ptr<adsk::fusion::Component> plate = occurrences->item(2)->component();
    EXPECT_NE(plate.get(), occurrences->item(0)->component().get());
    EXPECT_EQ(plate->occurrences()->item(0)->component().get(), occurrences->item(0)->component().get());

    Ptr<Design> second = designAt(2);
    EXPECT_EQ(second->unitsManager()->defaultLengthUnits(), "yd");
    EXPECT_FALSE(second->rootComponent()->bRepBodies()->item(0)->isLightBulbOn());
    EXPECT_EQ(second->rootComponent()->bRepBodies()->item(0)->faces()->count(), 0u);
}

TEST_F(DesignLoader, BigMeshArraysStreamInExactlyAsBuilt)
{
    // A 150 × 100 grid written with enough digits to give back every float.
    const sh::MeshData grid = sh::gridMesh(150, 100, 0.37);
    const nlohmann::json mesh = {{"nodeCoordinates", grid.nodeCoordinates},
                                 {"normalVectors", grid.normalVectors},
                                 {"textureCoordinates", grid.textureCoordinates},
                                 {"nodeIndices", grid.nodeIndices}};
    const nlohmann::json face = {{"displayMeshes", {mesh}}};
    const nlohmann::json component = {{"key", "g"}, {"name", "G"}, {"bodies", {{{"name", "B"}, {"faces", {face}}}}}};
    const nlohmann::json file = {{"format", "design/1"}, {"name", "Grid"}, {"products", nlohmann::json::array()},
                                 {"components", {component}}};

    const sh::DesignData design = sh::parseDesign(file.dump());
    const sh::MeshData& read = design.components[0].bodies[0].faces[0].displayMeshes[0];
    EXPECT_EQ(read.nodeCoordinates, grid.nodeCoordinates);
    EXPECT_EQ(read.normalVectors, grid.normalVectors);
    EXPECT_EQ(read.textureCoordinates, grid.textureCoordinates);
    EXPECT_EQ(read.nodeIndices, grid.nodeIndices);
}

// Text that could not be passed on faithfully or only nests deep, each from
// memory and from a file: rejected with its path or position, while the
// limits themselves and a deep chain of placements load.
TEST_F(DesignLoader, UnfaithfulValuesTrailingBytesAndDeepNestingAreRejected)
{
    const auto design = [](const std::string& components, const std::string& host = "") {
        return R"({"format":"design/1","name":"N",)" + host + R"("products":[],"components":[)" + components + "]}";
    };
    const auto placed = [&](const std::string& transform) {
        return design(R"({"key":"a","name":"A","occurrences":[{"component":"b","transform":)" + transform +
                      R"(}]},{"key":"b","name":"B"})");
    };
    const auto viewed = [&](const std::string& eye) {
        return design("", R"("host":{"viewport":{"cameraType":"perspective","eye":)" + eye +
                              R"(,"target":[0,0,0],"up":[0,1,0],"perspectiveAngle":0.5}},)");
    };
    const auto nested = [](std::size_t depth) { return std::string(depth, '[') + std::string(depth, ']'); };
    const auto inMesh = [&](const std::string& coordinates) {
        return design(R"({"key":"a","name":"A","bodies":[{"name":"B","faces":[{"displayMeshes":[{"nodeCoordinates":)" +
                      coordinates + R"(,"nodeIndices":[]}]}]}]})");
    };
    std::string deepName = "name";
    for (int i = 0; i < 99; ++i)
        deepName += "[0]";
    const std::string empty = design("");

    const struct {
        std::string text;
        std::string expected;
    } cases[] = {
        {design(R"({"key":"a","name":"Bo\u0000lt"})"), R"(components[0].name: a NUL character (\u0000) in "Bo\u0000lt")"},
        {design(R"({"key":"a","name":"A","na\u0000me":"A"})"),
         R"(components[0]: a NUL character (\u0000) in the field name "na\u0000me")"},
        {empty + std::string("\n\0", 2), "line 2, column 1: a NUL byte after the document; expected end of input"},
        {empty + std::string("\0{}", 3),
         "line 1, column " + std::to_string(empty.size() + 1) + ": a NUL byte after the document; expected end of input"},
        {placed("[[1,0,0,1e308],[0,1,0,0],[0,0,1,0],[0,0,0,1]]"),
         "components[0].occurrences[0].transform[0][3]: 1e+308 out of range for a 32-bit float"},
        {viewed("[0,-3.4028236e38,0]"), "host.viewport.eye[1]: -3.4028236e+38 out of range for a 32-bit float"},
        {viewed("[0,3.4028235e38,0]"), "(accepted)"},
        {R"({"format":"design/1","name":)" + nested(100000) + "}", deepName + ": nested more than 100 levels deep"},
        {inMesh(nested(100000)),
         "components[0].bodies[0].faces[0].displayMeshes[0].nodeCoordinates[0]: nested more than 100 levels deep"},
        {R"({"format":"design/1","name":"N","products":[],"components":[],"x":)" + nested(99) + "}",
         "x: unknown field"},
        {rdtest::chainDesignJson(20000), "(accepted)"},
    };
    const auto file = std::filesystem::temp_directory_path() / "design_loader_test.design.json";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        const std::string prefix = c.expected == "(accepted)" ? "" : "memory: ";
        EXPECT_EQ(rejection([&] { sh::openDesign(sh::parseDesign(c.text, "memory")); }), prefix + c.expected);
        std::ofstream(file, std::ios::binary) << c.text;
        const std::string filePrefix = c.expected == "(accepted)" ? "" : file.string() + ": ";
        EXPECT_EQ(rejection([&] { sh::openDesignFile(file); }), filePrefix + c.expected);
    }
    std::filesystem::remove(file);
}
