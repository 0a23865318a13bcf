// The rdk tool: pictures of small known scenes checked at chosen pixels, and
// the command line as a person meets it (exit statuses, messages, help).

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include <sceneapi/SceneReader.h>
#include <sceneapi/model/SceneBuilder.h>
#include <tools/rdk/PngFile.h>
#include <tools/rdk/Render.h>

#include <tests/support/RunProgram.h>
#include <tests/support/Sandbox.h>
#include <tests/support/SceneText.h>
#include <tests/support/SourceTree.h>

namespace {

using Colour = std::array<float, 3>;

// Scenes written through the file writer, as the add-in would write them.
class SceneText : public scenetest::SceneText {
public:
    void camera(std::array<double, 3> position, std::array<double, 3> direction, float fov,
                std::array<double, 3> up = {0, 1, 0})
    {
        api().beginCamera("Active Camera");
        wrapper().setString("projection", std::string("perspective"));
        wrapper().setFloat("fov", fov);
        wrapper().setVector3d("position", position.data());
        wrapper().setVector3d("direction", direction.data());
        wrapper().setVector3d("up", up.data());
        api().endCamera();
    }

    // The import options, as the add-in writes them: 1 Y up, 2 Z up.
    void importOptions(int upVector)
    {
        api().beginLoad("velrtopt.so");
        wrapper().setInt("import_up_vector", upVector);
        api().endLoad();
    }

    // An axis-aligned box as an object with its own vel_diffuse material.
    void box(const char* name, std::array<float, 3> centre, float half, Colour colour)
    {
        box(name, centre, {half, half, half}, colour);
    }
    void box(const char* name, std::array<float, 3> centre, std::array<float, 3> half, Colour colour)
    {
        std::vector<float> v;
        for (int i = 0; i < 8; ++i)
            for (std::size_t axis = 0; axis < 3; ++axis)
                v.push_back(centre[axis] + ((i >> axis) & 1 ? half[axis] : -half[axis]));
        mesh(name, v, {0, 1, 3, 0, 3, 2, 4, 6, 7, 4, 7, 5, 0, 4, 5, 0, 5, 1, 2, 3, 7, 2, 7, 6, 0, 2, 6, 0, 6, 4, 1, 5, 7, 1, 7, 3},
             colour);
    }

    void mesh(const char* name, const std::vector<float>& v, const std::vector<std::int32_t>& t, Colour colour)
    {
        velScene_api& w = api();
        w.beginObject(name, true);
        triangles(v, t);
        w.beginMaterial(name, true);
        w.beginShader(nullptr, "vel_diffuse");
        wrapper().setVector3f("diffuse", colour.data());
        w.endShader();
        w.shaderText(vel::ShaderSurface, w.capturedText());
        w.endMaterial();
        w.endObject();
    }

    void triangles(const std::vector<float>& v, const std::vector<std::int32_t>& t)
    {
        api().beginGeometry("triangles");
        wrapper().setVector3fArray("vertices", v);
        wrapper().setIntArray("triangles", t);
        api().endGeometry();
    }
};

rdk::Image picture(const std::string& text, std::optional<rdk::View> view = std::nullopt,
                   std::optional<rdk::Axis> up = std::nullopt, rdk::RenderReport* report = nullptr)
{
    vel::model::Scene scene;
    {
        vel::model::SceneBuilder builder(scene);
        EXPECT_TRUE(vel::readScene(text, builder).ok());
    }
    rdk::RenderOptions options;
    options.width = 160;
    options.height = 120;
    options.view = view;
    options.up = up;
    return rdk::renderScene(scene, options, report);
}

bool reddish(std::array<std::uint8_t, 3> c) { return c[0] > 2 * c[2] && c[0] > 2 * c[1] && c[0] > 40; }
bool bluish(std::array<std::uint8_t, 3> c) { return c[2] > 2 * c[0] && c[2] > 2 * c[1] && c[2] > 40; }

const Colour kRed{0.9f, 0.1f, 0.1f};
const Colour kBlue{0.1f, 0.1f, 0.9f};

} // namespace

// A red cube in front of a larger blue one, seen through the file's camera
// at its field of view: red at the centre, blue around it. (Which surface is
// nearer whatever the order they come in: the fitted views below.)
TEST(RdkRender, TheFilesCameraSeesWhatItsFieldOfViewTakesIn)
{
    SceneText s;
    s.camera({0, 0, 10}, {0, 0, -1}, 45);
    s.api().beginGroup("Design", true);
    s.box("Blue", {0, 0, -2}, 2, kBlue);
    s.box("Red", {0, 0, 2}, 1, kRed);
    s.api().endGroup();
    const rdk::Image image = picture(s.finish());
    EXPECT_TRUE(reddish(image.at(80, 60)));
    EXPECT_TRUE(bluish(image.at(80, 35))); // above the red cube, within the blue one
    EXPECT_EQ(image.at(80, 5), rdk::kBackground);
}

// A face behind another in a fitted view does not show, from the front nor
// from the back, and the group's transform moves what it holds: the scene is
// framed wherever it lies.
TEST(RdkRender, FittedViewsFrameTheSceneWithItsTransforms)
{
    SceneText s;
    s.api().beginGroup("Far away", true);
    const double placement[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1000, 500, -300, 1};
    s.api().transform(placement);
    s.mesh("Front", {-1, -1, 1, 1, -1, 1, 0, 1, 1}, {0, 1, 2}, kRed);
    s.mesh("Hidden", {-1, -1, 0, 1, -1, 0, 0, 1, 0}, {0, 1, 2}, kBlue);
    s.api().endGroup();
    const std::string text = s.finish();
    const rdk::Image front = picture(text, rdk::View::Front);
    EXPECT_TRUE(reddish(front.at(80, 62)));
    const rdk::Image back = picture(text, rdk::View::Back);
    EXPECT_TRUE(bluish(back.at(80, 62)));
    const rdk::Image top = picture(text, rdk::View::Top); // edge-on: a line at most
    int coloured = 0;
    for (int y = 0; y < top.height; ++y)
        coloured += top.at(80, y) != rdk::kBackground;
    EXPECT_LE(coloured, 4);
}

// A rod along one axis, in the front view: upright when that axis is up,
// seen end on otherwise. The scene says which axis is up through its import
// options, else its camera; --up overrides both.
TEST(RdkRender, TheFittedViewsStandOnTheAxisTheSceneSaysIsUp)
{
    using rdk::Axis;
    const struct {
        const char* what;
        Axis rod;
        int importUp;                          // 0: no import options
        std::optional<std::array<double, 3>> cameraUp;
        std::optional<Axis> asked;
        Axis up;
    } cases[] = {
        {"a design modelled Z up", Axis::Z, 2, std::nullopt, std::nullopt, Axis::Z},
        {"a design modelled Y up", Axis::Y, 1, std::array<double, 3>{0, 0, 1}, std::nullopt, Axis::Y},
        {"nothing said", Axis::Y, 0, std::nullopt, std::nullopt, Axis::Y},
        {"the camera's up, a little tilted", Axis::Z, 0, std::array<double, 3>{0.2, -0.1, 0.9}, std::nullopt, Axis::Z},
        {"asked for Z against the options", Axis::Z, 1, std::nullopt, Axis::Z, Axis::Z},
        {"asked for X", Axis::X, 2, std::nullopt, Axis::X, Axis::X},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SceneText s;
        if (c.importUp != 0)
            s.importOptions(c.importUp);
        if (c.cameraUp)
            s.camera({0, 0, 50}, {0, 0, -1}, 45, *c.cameraUp);
        std::array<float, 3> size{0.2f, 0.2f, 0.2f};
        size[static_cast<std::size_t>(c.rod)] = 4;
        s.box("Rod", {0, 0, 0}, size, kRed);
        rdk::RenderReport report;
        const rdk::Image image = picture(s.finish(), rdk::View::Front, c.asked, &report);
        EXPECT_EQ(report.up, c.up);
        EXPECT_TRUE(reddish(image.at(80, 60)));
        EXPECT_TRUE(reddish(image.at(80, 15))) << "upright";
        EXPECT_EQ(image.at(30, 60), rdk::kBackground);
    }
}

// An instance draws the geometry of the object definition it names, in the
// colour of its own material.
TEST(RdkRender, InstancesDrawTheirDefinitionsGeometry)
{
    SceneText s;
    velScene_api& w = s.api();
    w.beginObject("Shared", false);
    w.id(7);
    s.triangles({-1, -1, 0, 1, -1, 0, 0, 1, 0}, {0, 1, 2});
    w.endObject();
    w.beginMaterial("Blue", false);
    w.beginShaderId("vel_diffuse", 1);
    w.parameter("diffuse", vel::TypeVector3f, kBlue.data());
    w.endShader();
    w.shaderId(vel::ShaderSurface, 1);
    w.endMaterial();
    w.beginObject("Placed", true);
    w.beginGeometry("instance");
    const std::int32_t id = 7;
    w.parameter("id", vel::TypeInt, &id);
    w.endGeometry();
    w.useMaterial("Blue");
    w.endObject();
    const rdk::Image image = picture(s.finish(), rdk::View::Front);
    EXPECT_TRUE(bluish(image.at(80, 62)));
}

// --- The command line ------------------------------------------------------------------

// Exit statuses (0 good, 1 malformed, unreadable or unwritable, 2 wrong
// usage) and what a person reads: problems with their positions and one
// message each, the add-in's "#error" as a warning, counts of triangles and
// vertices (not of list elements), the tree, the help; "-" for standard input
// and output, a write to standard output that is lost, --version, and names
// that would mislead.
TEST(RdkCommandLine, StatusesMessagesAndStandardStreams)
{
    rdtest::TempDir dir;
    std::filesystem::create_symlink("/dev/zero", dir.path() / "zero.rdk");
    std::filesystem::create_symlink("/dev/full", dir.path() / "full.png");
    const std::string golden = rdtest::sourcePath("tests/sceneapi/golden/export_indented.rdk").string();
    const std::string bad = rdtest::sourcePath("tests/sceneapi/bad/20_bad_two_problems.rdk").string();
    // A problem where the layout also departs from a writer's: the problem
    // alone is told, not that the file "reads all the same".
    const std::string edited = dir / "edited.rdk";
    rdtest::writeFile(edited, "group \"a\" {\nbogus\n}\n");
    const std::string usage = "Run 'rdk";
    const struct {
        std::vector<std::string> args;
        rdtest::ProgramStreams streams;
        int status;
        std::vector<std::string> shown;
        std::vector<std::string> absent;
    } cases[] = {
        {{"check", golden}, {}, 0, {"warning: the scene reports: bad mesh", "well formed, 1 warning"}, {}},
        {{"check", bad},
         {},
         1,
         {"20_bad_two_problems.rdk:3:1: error: unknown keyword \"bogus\"",
          "20_bad_two_problems.rdk:5:5: error: cannot read the value", "2 problems"},
         {}},
        {{"check", edited}, {}, 1, {"edited.rdk:2:1: error: ", "1 problem"}, {"note", "reads all the same"}},
        {{"check", "-"}, {golden, ""}, 0, {"standard input: well formed, 1 warning"}, {}},
        {{"check", dir / "none.rdk"}, {}, 1, {"rdk: cannot read", "No such file or directory"}, {}},
        // Read as files, these would never end.
        {{"check", rdtest::utf8FromPath(dir.path())}, {}, 1, {"rdk: cannot read", "Is a directory"}, {}},
        {{"check", dir / "zero.rdk"}, {}, 1, {"rdk: cannot read", "zero.rdk: not a regular file"}, {}},
        {{"stats", golden, "--depth", "2"},
         {},
         0,
         {"  groups           3\n", "  objects          2\n", "  definitions      6\n", "  group \"Root\" flags 0\n",
          "    object \"Mesh \xC3\xA9\": 0 triangles, material \"Steel\""},
         {}},
        {{"stats", rdtest::sourcePath("tests/translate/golden/small_assembly.rdk").string()},
         {},
         0,
         {"  triangles        4\n", "  vertices         12\n"},
         {}},
        {{"stats", golden}, {"", "/dev/full"}, 1, {"rdk: could not write to standard output"}, {}},
        {{"render", "-", "-o", "-", "--size", "8x6"}, {golden, ""}, 0, {"\x89PNG", "standard output: 8x6, camera view"}, {}},
        {{"render", golden, "-o", "-"}, {"", "/dev/full"}, 1, {"rdk: could not write to standard output"}, {"Write Error"}},
        {{"--version"}, {}, 0, {"rdk 8.0 (built "}, {}},
        {{"render", "--help"}, {}, 0, {"--size", "iso", "--up", "Exit status:\n  0  done\n"}, {}},
        {{}, {}, 2, {"rdk: a command is required (commands: check, stats, render)", usage}, {}},
        {{"frobnicate"}, {}, 2, {"rdk: unknown command \"frobnicate\"", usage}, {}},
        {{"check"}, {}, 2, {"FILE is required", "Run 'rdk check --help'"}, {}},
        {{"check", "a.rdk", "b.rdk"}, {}, 2, {"rdk: unexpected argument \"b.rdk\""}, {}},
        {{"stats", "--bogus=1", "x.rdk"}, {}, 2, {"rdk: unknown option \"--bogus\""}, {}},
        {{"render", "x.rdk"}, {}, 2, {"--output is required"}, {}},
        {{"render", golden, "-o", dir / "a.jpg"}, {}, 2, {"the picture is a PNG"}, {}},
        {{"render", golden, "-o", dir / "a.png.gz"}, {}, 2, {"the picture is a PNG"}, {}},
        {{"render", golden, "-o", dir / "no/such/dir.png"}, {}, 1, {"rdk: cannot write"}, {}},
        // A picture that cannot be written whole fails; the guarantee that the
        // file there stays is the output file's own test.
        {{"render", golden, "-o", dir / "full.png"}, {}, 1, {"full.png: No space left on device"}, {}},
        {{"render", "x.rdk", "-o", "y.png", "-v", "iso"}, {}, 2, {"unknown option \"-v\""}, {}}, // -v is --verbose elsewhere
        {{"render", "x.rdk", "-o", "y.png", "--size", "0x5"}, {}, 2, {usage}, {}},
        {{"render", "x.rdk", "-o", "y.png", "--view", "sideways"}, {}, 2, {usage}, {}},
        {{"render", "x.rdk", "-o", "y.png", "--up", "w"}, {}, 2, {usage}, {}},
        {{"stats", "x.rdk", "--depth", "-1"}, {}, 2, {usage}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        rdtest::ProgramRun r = rdtest::runProgram(RDK_EXECUTABLE, c.args, {}, c.streams);
        r.out += r.err;
        EXPECT_EQ(r.status, c.status) << r.out;
        for (const std::string& text : c.shown)
            EXPECT_NE(r.out.find(text), std::string::npos) << text << "\n" << r.out;
        for (const std::string& text : c.absent)
            EXPECT_EQ(r.out.find(text), std::string::npos) << text << "\n" << r.out;
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "a.jpg"));
}

TEST(RdkCommandLine, RenderWritesAPictureItsReportDescribes)
{
    SceneText s;
    s.camera({0, 0, 10}, {0, 0, -1}, 45);
    s.box("Red", {0, 0, 0}, 1, kRed);
    rdtest::TempDir dir;
    const std::string scene = dir / "cube.rdk", png = dir / "cube.PNG";
    rdtest::writeFile(scene, s.finish());

    const rdtest::ProgramRun r = rdtest::runProgram(RDK_EXECUTABLE, {"render", scene, "-o", png, "--size", "64x48"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("64x48, camera view, y up, 1 object, 12 triangles"), std::string::npos) << r.out;
    rdk::Image image;
    std::string error;
    ASSERT_TRUE(rdk::readPng(png, image, error)) << error;
    EXPECT_EQ(image.width, 64);
    EXPECT_EQ(image.height, 48);
    EXPECT_TRUE(reddish(image.at(32, 24)));
}
