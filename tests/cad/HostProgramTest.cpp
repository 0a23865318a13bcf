// addin-host on real CAD and mesh files, as a user runs it.

#include "CadTestSupport.h"

#include <tests/support/RunProgram.h>

#include <gmock/gmock.h>

#include <algorithm>

namespace {

using namespace cadtest;
using ::testing::HasSubstr;

rdtest::ProgramRun host(const std::vector<std::string>& args)
{
    return rdtest::runProgram(ADDIN_HOST_PATH, args);
}

std::size_t meshes(const std::string& scene)
{
    std::size_t n = 0;
    for (std::size_t at = scene.find("geometry \"triangles\""); at != std::string::npos;
         at = scene.find("geometry \"triangles\"", at + 1))
        ++n;
    return n;
}

// A real STEP assembly through the whole program: to a file (no progress unless
// asked), with progress and a finer deflection, with a bad option, and a mesh
// file. (Standard output: tests/addin's host program test, and an import
// prints nothing there: MalformedFileTest; a file that fails to load fails
// the session and writes nothing: tests/addin, on a design file.)
TEST(CadHostProgram, ExportsARealAssemblyAndAMeshFileAsAsked)
{
    const fs::path file = caxIf("as1-oc-214.stp");
    CAD_REQUIRE_FILE(file);
    rdtest::TempDir scratch;
    const std::string scene = scratch / "as1.rdk", fine = scratch / "fine.rdk";
    const rdtest::ProgramRun toFile = host({"export", file.string(), scene});
    EXPECT_EQ(toFile.status, 0) << toFile.err;
    EXPECT_EQ(toFile.err, "addin-host: wrote the scene to \"" + scene + "\"\n") << "no progress into a file unless asked";
    const std::string written = rdtest::readFile(scene);
    EXPECT_EQ(meshes(written), 160u) << "every face at every placement";
    EXPECT_EQ(written.find("#error"), std::string::npos) << "a mesh failed the add-in's checks";
    // Every part's colour is the importer's test (CadFileTest); one of them
    // reaches its material.
    const std::size_t orange = std::min(written.find("\"diffuse\"", written.find("\"RGB 255, 128, 0\"")), written.size());
    EXPECT_EQ(written.substr(orange, 23), "\"diffuse\" 1 0.501961 0,") << "the part's colour, in its material";

    const rdtest::ProgramRun finer = host({"--progress", "always", "--deflection", "0.02", "--angular-deflection",
                                           "10", "export", file.string(), fine});
    EXPECT_EQ(finer.status, 0) << finer.err;
    for (const char* stage : {"reading", "transferring 100%", "triangulating 100%", "building the design 100%"})
        EXPECT_THAT(finer.err, HasSubstr(file.string() + ": " + stage)) << stage;
    EXPECT_GT(rdtest::readFile(fine).size(), written.size() * 3 / 2) << "a finer deflection, more triangles";
    const rdtest::ProgramRun bad = host({"--deflection", "-1", "export", file.string(), fine});
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.err, "addin-host: bad option: deflection: must be a length of 0 or more millimetres\n");

    const fs::path engine = assimpModel("glTF2/2CylinderEngine-glTF-Binary/2CylinderEngine.glb");
    CAD_REQUIRE_FILE(engine);
    const rdtest::ProgramRun mesh = host({"export", engine.string(), scene});
    EXPECT_EQ(mesh.status, 0) << mesh.err;
    std::size_t faces = 0;
    const sh::DesignData design = sh::loadDesignAnyFormat(engine);
    for (const PlacedBody& p : placedBodies(design))
        faces += p.body->faces.size();
    EXPECT_EQ(meshes(rdtest::readFile(scene)), faces) << "one per primitive at every placement";
}

} // namespace
