// An add-in module loaded at run time talks to the same application as the
// host program, across the library boundary, through exported entry points.

#include "HostTestSupport.h"

#include <DynamicLibrary.h>

using namespace hosttest;

class AddinModule : public HostTest {};

TEST_F(AddinModule, RunsInTheHostAndReportsItsFailuresThroughTheClick)
{
    platform::DynamicLibrary library = platform::DynamicLibrary::load(SAMPLE_ADDIN_PATH);
    ASSERT_TRUE(library);
    const auto run = reinterpret_cast<sh::AddinEntryPoint>(library.symbol(sh::kRunEntryName));
    const auto stop = reinterpret_cast<sh::AddinEntryPoint>(library.symbol(sh::kStopEntryName));
    ASSERT_TRUE(run != nullptr && stop != nullptr);

    ASSERT_TRUE(run(""));
    ASSERT_EQ(sh::toolbarControls("QAT").size(), 1u);
    EXPECT_EQ(sh::toolbarControls("QAT")[0].id, "sampleShow");

    const sh::ClickResult noDocument = sh::clickToolbarControl("QAT", "sampleShow");
    EXPECT_EQ(noDocument.outcome, sh::ClickResult::Failed);
    EXPECT_EQ(noDocument.error, "Unknown exception");

    sh::openDesignFile(designsDir() / "01_gearbox.design.json");
    EXPECT_TRUE(sh::clickToolbarControl("QAT", "sampleShow"));
    ASSERT_EQ(sh::shownMessageBoxes().size(), 1u);
    EXPECT_EQ(sh::shownMessageBoxes()[0].text, "Gearbox v3 in mm");

    EXPECT_TRUE(stop(""));
    // The add-in's handlers go with its library; the host must forget them.
    sh::unregisterHandlers();
    library.reset();
    EXPECT_TRUE(sh::clickToolbarControl("QAT", "sampleShow"));
    EXPECT_EQ(sh::shownMessageBoxes().size(), 1u);
}
