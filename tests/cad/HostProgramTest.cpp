// addin-host on real CAD and mesh files, as a user runs it: the export of a
// STEP assembly to a file and to standard output, progress when asked, the
// deflection option, and a broken file.

#include "CadTestSupport.h"

#include <gmock/gmock.h>

#include <sys/wait.h>

#include <cstdlib>

namespace {

using namespace cadtest;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using ::testing::StartsWith;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

std::string quoted(const std::string& text)
{
    std::string q = "'";
    for (const char c : text)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

class CadHostProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        file = caxIf("as1-oc-214.stp");
        CAD_REQUIRE_FILE(file);
    }

    Outcome host(const std::vector<std::string>& args)
    {
        std::string command = quoted(ADDIN_HOST_PATH);
        for (const std::string& a : args)
            command += " " + quoted(a);
        const fs::path out = scratch.folder() / ".stdout", err = scratch.folder() / ".stderr";
        command += " >" + quoted(out.string()) + " 2>" + quoted(err.string()) + " </dev/null";
        const int raw = std::system(command.c_str());
        Outcome o;
        o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        o.out = readText(out);
        o.err = readText(err);
        return o;
    }

    static std::size_t meshes(const std::string& scene)
    {
        std::size_t n = 0;
        for (std::size_t at = scene.find("geometry \"triangles\""); at != std::string::npos;
             at = scene.find("geometry \"triangles\"", at + 1))
            ++n;
        return n;
    }

    fs::path file;
    EditedCopy scratch{__FILE__};
};

TEST_F(CadHostProgram, ExportsARealAssemblyToAFileAndToStandardOutput)
{
    const fs::path scene = scratch.folder() / "as1.rdk";
    const Outcome toFile = host({"export", file.string(), scene.string()});
    EXPECT_EQ(toFile.status, 0) << toFile.err;
    EXPECT_EQ(toFile.err, "addin-host: wrote the scene to \"" + scene.string() + "\"\n")
        << "no progress into a file unless asked";
    const std::string written = readText(scene);
    EXPECT_EQ(meshes(written), 160u) << "every face at every placement";
    EXPECT_NE(written.find("material \"RGB 255, 128, 0\""), std::string::npos);

    const Outcome toStdout = host({"export", file.string(), "-"});
    EXPECT_EQ(toStdout.status, 0) << toStdout.err;
    EXPECT_THAT(toStdout.out, StartsWith("//---veltor:dal:7---\n")) << "nothing before the scene";
    EXPECT_EQ(meshes(toStdout.out), 160u);
}

TEST_F(CadHostProgram, ShowsProgressWhenAskedAndFollowsTheDeflection)
{
    const fs::path coarse = scratch.folder() / "coarse.rdk", fine = scratch.folder() / "fine.rdk";
    const Outcome a = host({"--progress", "always", "export", file.string(), coarse.string()});
    EXPECT_EQ(a.status, 0) << a.err;
    for (const char* stage : {"reading", "transferring 100%", "triangulating 100%", "building the design 100%"})
        EXPECT_THAT(a.err, HasSubstr(file.string() + ": " + stage)) << stage;

    const Outcome b = host({"--deflection", "0.02", "--angular-deflection", "10", "export", file.string(), fine.string()});
    EXPECT_EQ(b.status, 0) << b.err;
    EXPECT_GT(readText(fine).size(), readText(coarse).size() * 3 / 2) << "a finer deflection, more triangles";

    const Outcome bad = host({"--deflection", "-1", "export", file.string(), fine.string()});
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.err, "addin-host: bad option: deflection: must be a length of 0 or more millimetres\n");
}

TEST_F(CadHostProgram, ABrokenFileFailsTheSessionWithItsReason)
{
    EditedCopy truncated(file);
    truncated.truncate(truncated.text().size() / 3);
    const fs::path broken = truncated.write();
    const fs::path scene = scratch.folder() / "none.rdk";
    const Outcome r = host({"export", broken.string(), scene.string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err, StartsWith("addin-host: " + broken.string() + ": Line "));
    EXPECT_FALSE(fs::exists(scene));

    const fs::path gltf = assimpModel("glTF2/IndexOutOfRange/IndexOutOfRange.gltf");
    CAD_REQUIRE_FILE(gltf);
    const Outcome m = host({"export", gltf.string(), scene.string()});
    EXPECT_EQ(m.status, 1);
    EXPECT_THAT(m.err, HasSubstr(gltf.string() + ": vertex indices out of range"));
}

TEST_F(CadHostProgram, ExportsAMeshFile)
{
    const fs::path engine = assimpModel("glTF2/2CylinderEngine-glTF-Binary/2CylinderEngine.glb");
    CAD_REQUIRE_FILE(engine);
    const fs::path scene = scratch.folder() / "engine.rdk";
    const Outcome r = host({"export", engine.string(), scene.string()});
    EXPECT_EQ(r.status, 0) << r.err;
    std::size_t faces = 0;
    const sh::DesignData design = sh::loadDesignAnyFormat(engine);
    for (const PlacedBody& p : placedBodies(design))
        faces += p.body->faces.size();
    EXPECT_EQ(meshes(readText(scene)), faces) << "one per primitive at every placement";
}

} // namespace
