#pragma once
// Shared by the add-in's tests: the ids and names of its commands, design
// files, and a fresh host per test.

#include <Core/CoreAll.h>
#include <StandIn/StandIn.h>
#include <tests/support/SourceTree.h>
#include <translate/FusionExporter.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

// The add-in's entry points, as the host calls them.
extern "C" bool run(const char* context);
extern "C" bool stop(const char* context);

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

// The add-in stopped, its handlers gone, at the end of every test.
class StoppedAtTheEnd : public FreshHost {
protected:
    void TearDown() override
    {
        stop("");
        sh::unregisterHandlers();
        FreshHost::TearDown();
    }
};

// A command's flow on an exporter of the test's own, outside the add-in.
class OwnExporter : public FreshHost {
protected:
    void SetUp() override
    {
        FreshHost::SetUp();
        const adsk::core::Ptr<adsk::core::Application> app = adsk::core::Application::get();
        exporter = std::make_unique<FusionExporter>(app->userInterface(), app);
    }
    void TearDown() override
    {
        exporter.reset();
        FreshHost::TearDown();
    }

    std::unique_ptr<FusionExporter> exporter;
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
