#pragma once
// Shared by the tests of the CAD and mesh importers: where the test data is,
// designs walked into world space, and edited copies of files.

#include <tests/support/Sandbox.h>

#include <gtest/gtest.h>

#include <StandIn/AnyFormat.h>
#include <StandIn/DesignData.h>

#include <array>
#include <filesystem>
#include <string>
#include <vector>

namespace cadtest {

namespace fs = std::filesystem;
namespace sh = standin::host;

// The folder that tools/setup-deps.sh fills (build/test-data), or
// $RD_CAD_TEST_DATA.
fs::path testDataFolder();
// A file of the npm package occt-import-js; its CAx-IF STEP files.
inline fs::path occtImportJs(const std::string& relative)
{ return testDataFolder() / "npm/node_modules/occt-import-js/test/testfiles" / relative; }
inline fs::path caxIf(const std::string& name) { return occtImportJs("cax-if/" + name); }
// gmsh-doc's STEP files, unpacked by the set-up.
inline fs::path gmsh(const std::string& name) { return testDataFolder() / "gmsh" / name; }
// Debian's occt-misc and assimp-testmodels data.
inline fs::path occtData(const std::string& relative) { return fs::path("/usr/share/opencascade/data") / relative; }
inline fs::path assimpModel(const std::string& relative) { return fs::path("/usr/share/assimp/models") / relative; }

// Skips the current test, with the way to get the file, when it is missing.
#define CAD_REQUIRE_FILE(path)                                                                                \
    do {                                                                                                      \
        if (!std::filesystem::exists(path))                                                                   \
            GTEST_SKIP() << "test data missing: " << (path).string()                                         \
                         << " (tools/setup-deps.sh installs it)";                                             \
    } while (false)

struct Box {
    std::array<double, 3> min{1e300, 1e300, 1e300};
    std::array<double, 3> max{-1e300, -1e300, -1e300};
    void include(const std::array<double, 3>& p);
    // Largest difference of any of the six bounds.
    double distance(const Box& other) const;
};

// One body as placed in the world: the component's name, its body, and the
// box of its display-mesh nodes in world space.
struct PlacedBody {
    std::string component;
    const sh::BodyData* body = nullptr;
    Box box;
    std::size_t triangles = 0;
};

// Every body of the design at every placement, depth first.
std::vector<PlacedBody> placedBodies(const sh::DesignData& design);

// The component with this name (the first one when there is none, failing
// the test), and the root component of the first product.
const sh::ComponentData& component(const sh::DesignData& design, const std::string& name);
const sh::ComponentData& rootOf(const sh::DesignData& design);
// The appearance id at `index`, "" for kNone.
std::string appearanceId(const sh::DesignData& design, int index);

// Keeps the warnings an import gives.
class RecordingMonitor : public sh::ImportMonitor {
public:
    void begin(std::string_view, std::size_t) override {}
    void advance(std::size_t) override {}
    void end() override {}
    void warning(std::string_view message) override { warnings.emplace_back(message); }

    std::vector<std::string> warnings;
};

// A copy of a text file with some lines replaced, in a fresh folder.
class EditedCopy {
public:
    explicit EditedCopy(const fs::path& original);

    // Replaces the one occurrence of `from`; fails the test if there is not
    // exactly one.
    void replace(const std::string& from, const std::string& to);
    // Keeps only the first `bytes` bytes.
    void truncate(std::size_t bytes);
    // Writes the text under `name` (the original's name by default).
    fs::path write(const std::string& name = "");
    std::string& text() { return text_; }
    const fs::path& folder() const { return folder_.path(); }

private:
    fs::path original_;
    rdtest::TempDir folder_;
    std::string text_;
};

} // namespace cadtest
