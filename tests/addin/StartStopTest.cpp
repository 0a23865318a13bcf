// The add-in's run and stop, observed from the host's user interface and
// from inside: the buttons, the exporter that both commands share, and what
// stop releases. Loading the module by name is the host program's part.

#include "AddinTestSupport.h"

#include <addin/AddinGlobals.h>

#include <tests/support/Sandbox.h>

#include <filesystem>
#include <stdexcept>

using namespace addintest;

namespace {

using Ids = std::vector<std::string>;

class StartStop : public StoppedAtTheEnd {
protected:
    static Ids ids(const std::vector<sh::ControlInfo>& controls)
    {
        Ids result;
        for (const auto& c : controls)
            result.push_back(c.visible ? c.id : c.id + " (hidden)");
        return result;
    }
    static Ids panel(const std::string& workspace, const std::string& panelId)
    {
        return ids(sh::panelControls(workspace, panelId));
    }
    static Ids toolbar() { return ids(sh::toolbarControls("QAT")); }

    // The render clicks find no RayDeck here.
    rdtest::RegistrySandbox registry;
};

} // namespace

// Run twice, stopped and run again: still three buttons, one handler each,
// and a fresh exporter that both commands share. Unloaded, the add-in holds
// no host object.
TEST_F(StartStop, RunAddsTheButtonsOnceAndTheNextRunStartsAFreshExporter)
{
    const std::size_t before = sh::liveObjects();
    ASSERT_TRUE(run(""));
    ASSERT_TRUE(run(""));
    EXPECT_EQ(exporter, nullptr);
    sh::openDesignFile(testDesign("01_gearbox.design.json"));
    ASSERT_TRUE(sh::click(kRenderOnToolbar));
    const FusionExporter* first = exporter.get();
    ASSERT_NE(first, nullptr);
    ASSERT_TRUE(sh::click(kExportOnPanel)); // cancelled
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
    EXPECT_EQ(toolbar(), Ids{kRenderOnToolbar});
    EXPECT_EQ(panel("FusionRenderEnvironment", "RenderPanel"), (Ids{kRenderOnPanel, kExportOnPanel}));
    const std::string renderTip =
        "This command transfers the current scene to RayDeck 8. Click again to update the scene with any changes.";
    const std::string exportTip = "This command exports the current scene to a RayDeck .rdk file.";
    const auto definitions = sh::commandDefinitions();
    ASSERT_EQ(definitions.size(), 3u);
    const std::vector<std::array<std::string, 4>> expected = {
        {kRenderOnToolbar, kRenderName, renderTip, "./resources/render_command"},
        {kRenderOnPanel, kRenderName, renderTip, "./resources/render_command"},
        {kExportOnPanel, kExportName, exportTip, "./resources/export_command"},
    };
    for (std::size_t i = 0; i < 3; ++i) {
        const auto& d = definitions[i];
        EXPECT_EQ((std::array<std::string, 4>{d.id, d.name, d.tooltip, d.resourceFolder}), expected[i]);
        EXPECT_EQ(d.createdHandlers, 1u) << d.id;
    }

    // One execute handler per click, so one more dialog.
    ASSERT_TRUE(sh::click(kExportOnPanel));
    EXPECT_EQ(sh::shownFileDialogs().size(), 2u);
    ASSERT_NE(exporter, nullptr);
    EXPECT_TRUE(exporter->sentRecords().empty());
    EXPECT_TRUE(exporter->currentRecords().empty());

    sh::closeDocument();
    stop("");
    sh::unregisterHandlers();
    app = nullptr; // as the unload releases it
    sh::reset();
    EXPECT_EQ(sh::liveObjects(), before);
}

TEST_F(StartStop, ButtonsGoToTheLastWorkspaceOrPanelWhenTheRenderOnesAreMissing)
{
    sh::removeWorkspace("FusionRenderEnvironment");
    ASSERT_TRUE(run(""));
    EXPECT_EQ(panel("CAMEnvironment", "CAMActionsPanel"), (Ids{kRenderOnPanel, kExportOnPanel}));

    sh::reset();
    sh::removePanel("FusionRenderEnvironment", "RenderPanel");
    ASSERT_TRUE(run(""));
    EXPECT_EQ(panel("FusionRenderEnvironment", "RenderOutputPanel"), (Ids{kRenderOnPanel, kExportOnPanel}));

    // Nowhere to go: only the toolbar gets its button.
    sh::reset();
    sh::setLayout({{{"QAT"}}, {{"Bare", {{"NoControls", true}}}}});
    ASSERT_TRUE(run(""));
    EXPECT_EQ(toolbar(), Ids{kRenderOnToolbar});
    EXPECT_EQ(sh::commandDefinitions().size(), 1u);
}

TEST_F(StartStop, RunIsTrueOnceTheSetUpIsReachedFalseBeforeAndRaisesWithoutAList)
{
    // The set-up fails at the panel's first button (no event, no control).
    for (const sh::Missing missing : {sh::Missing::CommandCreatedEvent, sh::Missing::AddedControl}) {
        sh::reset();
        sh::setMissing(missing);
        EXPECT_TRUE(run(""));
        EXPECT_TRUE(panel("FusionRenderEnvironment", "RenderPanel").empty());
        EXPECT_EQ(sh::commandDefinitions().size(), 2u);
    }
    for (const sh::Missing missing : {sh::Missing::Application, sh::Missing::UserInterface,
                                      sh::Missing::CommandDefinitions, sh::Missing::Toolbars,
                                      sh::Missing::Workspaces}) {
        sh::reset();
        sh::setMissing(missing);
        EXPECT_FALSE(run("")) << static_cast<int>(missing);
        EXPECT_TRUE(sh::commandDefinitions().empty());
    }

    // No toolbar list, or a workspace without a panel list.
    sh::reset();
    sh::setLayout({{}, sh::defaultLayout().workspaces});
    EXPECT_THROW(run(""), std::exception);

    sh::reset();
    sh::setLayout({{{"QAT"}}, {{"FusionRenderEnvironment", {}, true}}});
    EXPECT_THROW(run(""), std::exception);
    EXPECT_EQ(toolbar(), Ids{kRenderOnToolbar}); // made before
}

// A host object that comes back empty in the middle of a command (the dialog,
// the event's arguments, the preferences, the camera and its parts) ends that
// click without a crash; the next click, with everything
// there again, exports as usual.
TEST_F(StartStop, AHostObjectThatComesBackEmptyEndsOnlyThatClick)
{
    ASSERT_TRUE(run(""));
    sh::openDesignFile(testDesign("01_gearbox.design.json"));
    rdtest::TempDir dir;
    const std::filesystem::path out = dir.path() / "scene.rdk";
    sh::answerFileDialogs(out.string());
    for (const sh::Missing missing :
         {sh::Missing::FileDialog, sh::Missing::EventArgs, sh::Missing::FiringEvent, sh::Missing::CreatedCommand,
          sh::Missing::ExecuteEvent, sh::Missing::Preferences, sh::Missing::GeneralPreferences,
          sh::Missing::ViewportCamera, sh::Missing::CameraEye, sh::Missing::CameraUpVector}) {
        SCOPED_TRACE(static_cast<int>(missing));
        sh::setMissing(missing);
        for (const std::string& command : {kExportOnPanel, kRenderOnToolbar}) {
            const sh::ClickResult r = sh::click(command);
            EXPECT_TRUE(r.outcome == sh::ClickResult::Completed || r.outcome == sh::ClickResult::Failed)
                << command << ": " << r.error;
        }
        sh::setMissing(missing, false);
        std::filesystem::remove(out);
    }
    ASSERT_EQ(sh::click(kExportOnPanel).outcome, sh::ClickResult::Completed);
    EXPECT_GT(std::filesystem::file_size(out), 0u);
}

TEST_F(StartStop, ACommandWithoutInputsOrWithoutADocumentDoesNothing)
{
    ASSERT_TRUE(run(""));
    sh::answerFileDialogs("/nonexistent/never.rdk");
    EXPECT_TRUE(sh::click(kExportOnPanel)); // no document
    sh::openDesignFile(testDesign("02_minimal.design.json"));
    sh::setMissing(sh::Missing::CommandInputs);
    EXPECT_TRUE(sh::click(kExportOnPanel));
    EXPECT_TRUE(sh::click(kRenderOnToolbar));
    EXPECT_TRUE(sh::shownFileDialogs().empty());
    EXPECT_TRUE(sh::shownMessageBoxes().empty());
}
