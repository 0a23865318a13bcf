// The add-in module as the host meets it: loaded from its file, started with
// run, its buttons clicked, stopped and unloaded. Everything goes through the
// two exported entry points and the host's user interface.

#include "AddinTestSupport.h"

#include <DynamicLibrary.h>
#include <Sandbox.h>

#include <optional>
#include <stdexcept>

using namespace addintest;

namespace {

class AddinLifecycle : public FreshHost {
protected:
    void SetUp() override
    {
        FreshHost::SetUp();
        loadModule();
    }

    void TearDown() override
    {
        unloadModule();
        FreshHost::TearDown();
    }

    void loadModule()
    {
        std::string whyNot;
        library_ = platform::DynamicLibrary::load(ADDIN_MODULE_PATH, &whyNot);
        ASSERT_TRUE(library_) << whyNot;
        run_ = reinterpret_cast<sh::AddinEntryPoint>(library_.symbol(sh::kRunEntryName));
        stop_ = reinterpret_cast<sh::AddinEntryPoint>(library_.symbol(sh::kStopEntryName));
        ASSERT_TRUE(run_ != nullptr && stop_ != nullptr);
    }

    // As the host unloads an add-in: stop, forget its handlers, unload.
    void unloadModule()
    {
        if (!library_)
            return;
        stop_("");
        sh::unregisterHandlers();
        library_.reset();
    }

    bool run() { return run_(""); }
    bool stop() { return stop_(""); }

    std::vector<std::string> panelIds(const std::string& workspace, const std::string& panel)
    {
        std::vector<std::string> ids;
        for (const auto& c : sh::panelControls(workspace, panel)) {
            EXPECT_TRUE(c.visible) << c.id;
            ids.push_back(c.id);
        }
        return ids;
    }

    std::vector<std::string> toolbarIds()
    {
        std::vector<std::string> ids;
        for (const auto& c : sh::toolbarControls("QAT")) {
            EXPECT_TRUE(c.visible) << c.id;
            ids.push_back(c.id);
        }
        return ids;
    }

    // Clicks the export button with `answer` in the save dialog.
    sh::ClickResult clickExport(const std::optional<std::string>& answer)
    {
        if (answer)
            sh::answerFileDialogs(*answer);
        else
            sh::cancelFileDialogs();
        return sh::clickPanelControl("FusionRenderEnvironment", "RenderPanel", kExportOnPanel);
    }

    platform::DynamicLibrary library_;
    sh::AddinEntryPoint run_ = nullptr;
    sh::AddinEntryPoint stop_ = nullptr;
};

using Ids = std::vector<std::string>;

} // namespace

TEST_F(AddinLifecycle, RunAddsTheThreeButtonsWithTheirTextsAndIcons)
{
    ASSERT_TRUE(run());
    EXPECT_EQ(toolbarIds(), Ids{kRenderOnToolbar});
    EXPECT_EQ(panelIds("FusionRenderEnvironment", "RenderPanel"), (Ids{kRenderOnPanel, kExportOnPanel}));

    const std::string renderTip =
        "This command transfers the current scene to RayDeck 8. Click again to update the scene with any changes.";
    const std::vector<sh::CommandDefinitionInfo> definitions = sh::commandDefinitions();
    ASSERT_EQ(definitions.size(), 3u);
    auto expectDefinition = [](const sh::CommandDefinitionInfo& d, const std::string& id, const std::string& name,
                               const std::string& tooltip, const std::string& folder) {
        EXPECT_EQ(d.id, id);
        EXPECT_EQ(d.name, name);
        EXPECT_EQ(d.tooltip, tooltip);
        EXPECT_EQ(d.resourceFolder, folder);
        EXPECT_EQ(d.createdHandlers, 1u) << id;
    };
    expectDefinition(definitions[0], kRenderOnToolbar, kRenderName, renderTip, "./resources/render_command");
    expectDefinition(definitions[1], kRenderOnPanel, kRenderName, renderTip, "./resources/render_command");
    expectDefinition(definitions[2], kExportOnPanel, kExportName,
                     "This command exports the current scene to a RayDeck .rdk file.", "./resources/export_command");
}

TEST_F(AddinLifecycle, ButtonsGoToTheLastWorkspaceOrPanelWhenTheRenderOnesAreMissing)
{
    sh::removeWorkspace("FusionRenderEnvironment");
    ASSERT_TRUE(run());
    EXPECT_EQ(panelIds("CAMEnvironment", "CAMActionsPanel"), (Ids{kRenderOnPanel, kExportOnPanel}));
    EXPECT_TRUE(panelIds("CAMEnvironment", "CAMJobPanel").empty());
    EXPECT_TRUE(panelIds("FusionSolidEnvironment", "SolidModifyPanel").empty());

    sh::reset();
    sh::removePanel("FusionRenderEnvironment", "RenderPanel");
    ASSERT_TRUE(run());
    EXPECT_EQ(panelIds("FusionRenderEnvironment", "RenderOutputPanel"), (Ids{kRenderOnPanel, kExportOnPanel}));
    EXPECT_TRUE(panelIds("FusionRenderEnvironment", "RenderSetupPanel").empty());
    EXPECT_EQ(toolbarIds(), Ids{kRenderOnToolbar});
}

TEST_F(AddinLifecycle, WithoutAnyWorkspaceOrPanelOnlyTheToolbarGetsItsButton)
{
    sh::setLayout({{{"QAT"}}, {}});
    EXPECT_TRUE(run());
    EXPECT_EQ(toolbarIds(), Ids{kRenderOnToolbar});

    sh::reset();
    sh::setLayout({{{"QAT"}}, {{"Empty", {}}}});
    EXPECT_TRUE(run());
    EXPECT_EQ(toolbarIds(), Ids{kRenderOnToolbar});

    sh::reset();
    sh::setLayout({{{"QAT"}}, {{"Bare", {{"NoControls", true}}}}});
    EXPECT_TRUE(run());
    EXPECT_EQ(sh::commandDefinitions().size(), 1u);
}

TEST_F(AddinLifecycle, ASecondRunAddsNoSecondButtonAndNoSecondHandler)
{
    ASSERT_TRUE(run());
    ASSERT_TRUE(run());
    ASSERT_TRUE(stop());
    ASSERT_TRUE(run());
    EXPECT_EQ(toolbarIds(), Ids{kRenderOnToolbar});
    EXPECT_EQ(panelIds("FusionRenderEnvironment", "RenderPanel"), (Ids{kRenderOnPanel, kExportOnPanel}));
    for (const auto& d : sh::commandDefinitions())
        EXPECT_EQ(d.createdHandlers, 1u) << d.id;

    // One handler, one dialog per click.
    sh::openDesignFile(testDesign("02_minimal.design.json"));
    ASSERT_TRUE(clickExport(std::nullopt));
    EXPECT_EQ(sh::shownFileDialogs().size(), 1u);
}

TEST_F(AddinLifecycle, DefinitionsLeftWithoutButtonsAreReusedAndHookedAgain)
{
    // A host that lost the buttons but kept the definitions, as after a
    // reload of its user interface.
    ASSERT_TRUE(run());
    unloadModule();
    sh::setLayout(sh::defaultLayout());
    loadModule();
    ASSERT_TRUE(run());
    EXPECT_EQ(sh::commandDefinitions().size(), 3u);
    EXPECT_EQ(panelIds("FusionRenderEnvironment", "RenderPanel"), (Ids{kRenderOnPanel, kExportOnPanel}));
    sh::openDesignFile(testDesign("02_minimal.design.json"));
    ASSERT_TRUE(clickExport(std::nullopt));
    EXPECT_EQ(sh::shownFileDialogs().size(), 1u);
}

TEST_F(AddinLifecycle, RunIsTrueWhenTheSetUpWasReachedEvenIfItFailed)
{
    sh::setMissing(sh::Missing::CommandCreatedEvent);
    EXPECT_TRUE(run());
    EXPECT_TRUE(toolbarIds().empty());
    EXPECT_TRUE(panelIds("FusionRenderEnvironment", "RenderPanel").empty());

    // No control comes back: the panel's render button fails the set-up
    // before the export button is tried.
    sh::reset();
    sh::setMissing(sh::Missing::AddedControl);
    EXPECT_TRUE(run());
    EXPECT_EQ(sh::commandDefinitions().size(), 2u);
}

TEST_F(AddinLifecycle, RunIsFalseWithoutTheHostObjectsItNeeds)
{
    for (const sh::Missing missing : {sh::Missing::Application, sh::Missing::UserInterface,
                                      sh::Missing::CommandDefinitions, sh::Missing::Toolbars,
                                      sh::Missing::Workspaces}) {
        sh::reset();
        sh::setMissing(missing);
        EXPECT_FALSE(run()) << static_cast<int>(missing);
        EXPECT_TRUE(sh::commandDefinitions().empty());
    }
}

TEST_F(AddinLifecycle, AHostWithoutItsToolbarOrPanelListRaisesOutOfRun)
{
    sh::setLayout({{}, sh::defaultLayout().workspaces});
    EXPECT_THROW(run(), std::exception);

    sh::reset();
    sh::setLayout({{{"QAT", true}}, {}});
    EXPECT_THROW(run(), std::exception);

    sh::reset();
    sh::setLayout({{{"QAT"}}, {{"FusionRenderEnvironment", {}, true}}});
    EXPECT_THROW(run(), std::exception);
    // The toolbar's button was made before.
    EXPECT_EQ(toolbarIds(), Ids{kRenderOnToolbar});
}

TEST_F(AddinLifecycle, ACommandWithoutInputsOrWithoutADocumentDoesNothing)
{
    ASSERT_TRUE(run());
    sh::answerFileDialogs("/nonexistent/never.rdk");

    EXPECT_TRUE(sh::click(kExportOnPanel)); // no document
    sh::openDesignFile(testDesign("02_minimal.design.json"));
    sh::setMissing(sh::Missing::CommandInputs);
    EXPECT_TRUE(sh::click(kExportOnPanel));
    EXPECT_TRUE(sh::click(kRenderOnToolbar));
    sh::setMissing(sh::Missing::CommandInputs, false);
    sh::setMissing(sh::Missing::FiringEvent);
    EXPECT_TRUE(sh::click(kExportOnPanel));
    EXPECT_TRUE(sh::shownFileDialogs().empty());
    EXPECT_TRUE(sh::shownMessageBoxes().empty());
}

TEST_F(AddinLifecycle, ExportFailuresEndTheCommandWithTheirText)
{
    ASSERT_TRUE(run());
    sh::openDesignFile(testDesign("02_minimal.design.json"));

    sh::ClickResult r = clickExport("/nonexistent/folder/x.rdk");
    EXPECT_EQ(r.outcome, sh::ClickResult::Failed);
    EXPECT_EQ(r.error, "could not open file: \"/nonexistent/folder/x.rdk\"");

    // Everything is written into a buffer first; the failure shows when the
    // file is closed, and must not pass for a written scene.
    r = clickExport("/dev/full");
    EXPECT_EQ(r.outcome, sh::ClickResult::Failed);
    EXPECT_EQ(r.error, "could not close file");

    sh::setMissing(sh::Missing::FileDialog);
    r = clickExport("/dev/null");
    EXPECT_EQ(r.outcome, sh::ClickResult::Failed);
    EXPECT_EQ(r.error, "Unknown exception");
    sh::setMissing(sh::Missing::FileDialog, false);

    // The add-in is still usable afterwards.
    rdtest::TempDir dir;
    EXPECT_TRUE(clickExport(dir / "ok.rdk"));
    EXPECT_TRUE(fs::file_size(dir / "ok.rdk") > 0);
}

TEST_F(AddinLifecycle, TheRenderButtonsSayTheLiveLinkIsNotBuilt)
{
    ASSERT_TRUE(run());
    sh::openDesignFile(testDesign("02_minimal.design.json"));
    ASSERT_TRUE(sh::clickToolbarControl("QAT", kRenderOnToolbar));
    ASSERT_TRUE(sh::clickPanelControl("FusionRenderEnvironment", "RenderPanel", kRenderOnPanel));
    const auto boxes = sh::shownMessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text.rfind("Live link failed. Reason: \"", 0), 0u) << boxes[0].text;
    EXPECT_EQ(boxes[0].text.back(), '"');
    EXPECT_EQ(boxes[0].title, "");
    EXPECT_EQ(boxes[0].buttons, adsk::core::OKButtonType);
    EXPECT_EQ(boxes[0].icon, adsk::core::NoIconIconType);
    EXPECT_TRUE(sh::shownFileDialogs().empty());
}

TEST_F(AddinLifecycle, UnloadingReleasesEveryHostObjectTheAddinHeld)
{
    unloadModule();
    const std::size_t before = sh::liveObjects();
    loadModule();
    ASSERT_TRUE(run());
    sh::openDesignFile(testDesign("01_gearbox.design.json"));
    rdtest::TempDir dir;
    ASSERT_TRUE(clickExport(dir / "a.rdk"));
    sh::closeDocument();
    // stop keeps the application; the unload releases it.
    unloadModule();
    sh::reset();
    EXPECT_EQ(sh::liveObjects(), before);
}
