#pragma once
// Shared by the add-in's tests: the ids and names of its commands, design
// files, and a fresh host per test.

#include <Core/CoreAll.h>
#include <StandIn/StandIn.h>
#include <tests/support/SourceTree.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace addintest {

namespace sh = standin::host;
namespace fs = std::filesystem;

inline const std::string kRenderOnToolbar = "rayDeck8RenderCommandOnQATCPP";
inline const std::string kRenderOnPanel = "rayDeck8RenderCommandOnPanelCPP";
inline const std::string kExportOnPanel = "rayDeck8ExportCommandOnPanelCPP";
inline const std::string kRenderName = "Render in RayDeck 8";
inline const std::string kExportName = "Export to RayDeck .rdk";

inline fs::path testDesign(const std::string& name)
{
    return rdtest::sourcePath("tests/host/designs/" + name);
}

inline fs::path exampleDesign()
{
    return rdtest::sourcePath("examples/gearbox.design.json");
}

// Every test starts from a freshly started host and leaves one behind.
class FreshHost : public ::testing::Test {
protected:
    void SetUp() override { sh::reset(); }
    void TearDown() override { sh::reset(); }
};

// The scene text with the wrapper's build time stamp, "(built <date>)" on
// the banner line, replaced by "(built <time stamp>)": it changes with every
// build, everything else is compared byte for byte.
inline std::string withoutBuildStamp(std::string text)
{
    const std::string marker = "(built ";
    const std::size_t start = text.find(marker);
    if (start == std::string::npos)
        return text;
    const std::size_t end = text.find(')', start);
    const std::size_t lineEnd = text.find('\n', start);
    if (end == std::string::npos || end > lineEnd)
        return text;
    return text.replace(start + marker.size(), end - start - marker.size(), "<time stamp>");
}

} // namespace addintest
