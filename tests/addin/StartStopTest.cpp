// The add-in's globals across run and stop, observed from inside: the
// exporter that both commands share, and what stop releases.

#include "AddinTestSupport.h"

#include "AddinGlobals.h"
#include "FusionExporter.h"

#include <Sandbox.h>

extern "C" bool run(const char* context);
extern "C" bool stop(const char* context);

using namespace addintest;

namespace {

class StartStop : public FreshHost {
protected:
    void TearDown() override
    {
        stop("");
        sh::unregisterHandlers();
        FreshHost::TearDown();
    }

    // The render clicks find no RayDeck here.
    rdtest::RegistrySandbox registry;
};

} // namespace

TEST_F(StartStop, BothCommandsShareOneExporterAndTheNextRunStartsAFreshOne)
{
    ASSERT_TRUE(run(""));
    EXPECT_EQ(exporter, nullptr);
    sh::openDesignFile(testDesign("01_gearbox.design.json"));
    ASSERT_TRUE(sh::click(kRenderOnToolbar));
    const FusionExporter* first = exporter.get();
    ASSERT_NE(first, nullptr);
    ASSERT_TRUE(sh::click(kExportOnPanel));
    ASSERT_TRUE(sh::click(kRenderOnPanel));
    EXPECT_EQ(exporter.get(), first);
    getExporter().buildScene(app->activeDocument()); // a live transfer's records
    ASSERT_FALSE(getExporter().sentRecords().empty());

    // stop keeps the application.
    EXPECT_TRUE(stop(""));
    EXPECT_EQ(exporter, nullptr);
    EXPECT_FALSE(ui);
    EXPECT_TRUE(app);
    EXPECT_TRUE(stop("")); // nothing left to release

    ASSERT_TRUE(run(""));
    ASSERT_TRUE(sh::click(kExportOnPanel)); // cancelled
    ASSERT_NE(exporter, nullptr);
    EXPECT_TRUE(exporter->sentRecords().empty());
    EXPECT_TRUE(exporter->currentRecords().empty());
}
