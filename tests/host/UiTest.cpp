// The user interface: command definitions and controls as an add-in sets
// them up, the event flow of a click, how failures reach the clicker, and
// host objects that go missing. (The layouts, file dialogs and message boxes
// are tested through the add-in that meets them, in tests/addin.)

#include "HostTestSupport.h"

#include <functional>

#include <stdexcept>

using namespace hosttest;
using namespace adsk::core;

namespace {

// Records what the host hands to an execute handler; may throw.
class ExecuteHandler : public CommandEventHandler {
public:
    void notify(const Ptr<CommandEventArgs>& eventArgs) override
    {
        ++calls;
        Ptr<Event> firing = eventArgs->firingEvent();
        sender = firing->sender();
        if (failure)
            failure();
    }

    int calls = 0;
    Ptr<Base> sender;
    std::function<void()> failure;
};

// Hooks its execute handler onto each new command, as add-ins do.
class CreatedHandler : public CommandCreatedEventHandler {
public:
    void notify(const Ptr<CommandCreatedEventArgs>& eventArgs) override
    {
        ++calls;
        command = eventArgs->command();
        definitionSeen = eventArgs->firingEvent()->sender();
        if (failure)
            failure();
        command->execute()->add(&execute);
    }

    int calls = 0;
    Ptr<Command> command;
    Ptr<Base> definitionSeen;
    std::function<void()> failure;
    ExecuteHandler execute;
};

Ptr<UserInterface> ui()
{
    return Application::get()->userInterface();
}

Ptr<CommandDefinition> addDefinition(const std::string& id, CreatedHandler* handler)
{
    Ptr<CommandDefinition> definition = ui()->commandDefinitions()->addButtonDefinition(id, "Name " + id, "Tip", "./res");
    if (handler != nullptr)
        definition->commandCreated()->add(handler);
    return definition;
}

Ptr<Camera> camera()
{
    return Application::get()->activeViewport()->camera();
}

Ptr<ToolbarControls> qat()
{
    return ui()->toolbars()->itemById("QAT")->controls();
}

std::vector<std::string> ids(const std::vector<sh::ControlInfo>& controls)
{
    std::vector<std::string> result;
    for (const auto& c : controls)
        result.push_back(c.id);
    return result;
}

} // namespace

class UserInterfaceTest : public HostTest {};

TEST_F(UserInterfaceTest, AClickCreatesACommandRunsItsExecuteHandlersWithTheCommandAsSenderAndLeavesNothing)
{
    CreatedHandler created;
    Ptr<CommandDefinition> definition = addDefinition("cmd", &created);

    ASSERT_TRUE(sh::click("cmd"));
    EXPECT_EQ(created.calls, 1);
    EXPECT_EQ(created.definitionSeen.get(), static_cast<Base*>(definition.get()));
    ASSERT_TRUE(created.command);
    EXPECT_TRUE(created.command->commandInputs());
    EXPECT_EQ(created.execute.calls, 1);
    Ptr<Command> sender = created.execute.sender;
    ASSERT_TRUE(sender);
    EXPECT_EQ(sender.get(), created.command.get());

    // Each click is a new command, hooked anew, and none stays behind: the
    // command and its execute event refer to each other without a cycle.
    Ptr<Command> first = created.command;
    ASSERT_TRUE(sh::click("cmd"));
    EXPECT_NE(created.command.get(), first.get());
    EXPECT_EQ(created.execute.calls, 2);
    first.reset();
    created.command.reset();
    created.execute.sender.reset();
    const std::size_t before = sh::liveObjects();
    for (int i = 0; i < 3; ++i)
        sh::click("cmd");
    created.command.reset();
    created.execute.sender.reset();
    EXPECT_EQ(sh::liveObjects(), before);
}

TEST_F(UserInterfaceTest, AnExceptionLeavingAHandlerEndsTheClickWithItsText)
{
    CreatedHandler created;
    addDefinition("cmd", &created);

    created.execute.failure = [] { throw std::runtime_error("disk full"); };
    sh::ClickResult r = sh::click("cmd");
    EXPECT_EQ(r.outcome, sh::ClickResult::Failed);
    EXPECT_EQ(r.error, "disk full");

    created.failure = [] { throw 42; };
    r = sh::click("cmd");
    EXPECT_EQ(r.error, "unknown exception type");
    EXPECT_EQ(created.execute.calls, 1); // not run after the created handler failed

    EXPECT_EQ(sh::click("nothing").outcome, sh::ClickResult::NotFound);
}

TEST_F(UserInterfaceTest, HandlersAreRegisteredOnceAndCanBeForgotten)
{
    CreatedHandler created;
    Ptr<CommandDefinition> definition = addDefinition("cmd", &created);
    EXPECT_TRUE(definition->commandCreated()->add(&created));
    EXPECT_FALSE(definition->commandCreated()->add(nullptr));
    EXPECT_EQ(sh::commandDefinitions().at(0).createdHandlers, 1u);
    sh::click("cmd");
    EXPECT_EQ(created.calls, 1);

    sh::unregisterHandlers();
    EXPECT_TRUE(sh::click("cmd"));
    EXPECT_EQ(created.calls, 1);
}

TEST_F(UserInterfaceTest, DefinitionsAndControlsAreFoundByIdAndNeverDuplicated)
{
    Ptr<CommandDefinitions> definitions = ui()->commandDefinitions();
    Ptr<CommandDefinition> a = addDefinition("a", nullptr);
    EXPECT_FALSE(definitions->addButtonDefinition("a", "again", "", ""));
    EXPECT_EQ(definitions->itemById("a").get(), a.get());
    EXPECT_FALSE(definitions->itemById("b"));

    Ptr<ToolbarControl> control = qat()->addCommand(a, "", true);
    ASSERT_TRUE(control);
    EXPECT_TRUE(control->cast<CommandControl>());
    EXPECT_EQ(qat()->itemById("a").get(), control.get());
    EXPECT_FALSE(qat()->addCommand(a));
    EXPECT_FALSE(qat()->addCommand(nullptr));

    // Positions: before or after an existing control, else at the end.
    qat()->addCommand(addDefinition("b", nullptr), "a", true);
    qat()->addCommand(addDefinition("c", nullptr), "a", false);
    qat()->addCommand(addDefinition("d", nullptr), "zz", true);
    EXPECT_EQ(ids(sh::toolbarControls("QAT")), (std::vector<std::string>{"b", "a", "c", "d"}));
}

TEST_F(UserInterfaceTest, ControlsAreClickedThroughTheirDefinitionWhenVisible)
{
    CreatedHandler created;
    Ptr<CommandDefinition> definition = addDefinition("cmd", &created);
    Ptr<Workspace> render = ui()->workspaces()->itemById("FusionRenderEnvironment");
    Ptr<ToolbarControl> control = render->toolbarPanels()->itemById("RenderPanel")->controls()->addCommand(definition);
    EXPECT_TRUE(sh::panelControls("FusionRenderEnvironment", "RenderPanel").at(0).visible);

    EXPECT_TRUE(sh::clickPanelControl("FusionRenderEnvironment", "RenderPanel", "cmd"));
    control->isVisible(false);
    EXPECT_EQ(sh::clickPanelControl("FusionRenderEnvironment", "RenderPanel", "cmd").outcome,
              sh::ClickResult::NotVisible);
    EXPECT_EQ(sh::clickToolbarControl("QAT", "cmd").outcome, sh::ClickResult::NotFound);
    EXPECT_EQ(created.execute.calls, 1);
}

TEST_F(UserInterfaceTest, MissingHostObjectsComeBackEmptyUntilReset)
{
    CreatedHandler created;
    Ptr<UserInterface> userInterface = ui();
    addDefinition("cmd", &created);

    const std::vector<std::pair<sh::Missing, std::function<bool()>>> cases = {
        {sh::Missing::UserInterface, [] { return bool(Application::get()->userInterface()); }},
        {sh::Missing::CommandDefinitions, [&] { return bool(userInterface->commandDefinitions()); }},
        {sh::Missing::Toolbars, [&] { return bool(userInterface->toolbars()); }},
        {sh::Missing::Workspaces, [&] { return bool(userInterface->workspaces()); }},
        {sh::Missing::FileDialog, [&] { return bool(userInterface->createFileDialog()); }},
        {sh::Missing::Preferences, [] { return bool(Application::get()->preferences()); }},
        {sh::Missing::CommandCreatedEvent,
         [&] { return bool(userInterface->commandDefinitions()->itemById("cmd")->commandCreated()); }},
        {sh::Missing::AddedControl,
         [&] { return bool(qat()->addCommand(userInterface->commandDefinitions()->itemById("cmd"))); }},
        {sh::Missing::CommandInputs, [&] { sh::click("cmd"); return bool(created.command->commandInputs()); }},
        {sh::Missing::CreatedCommand, [&] { sh::click("cmd"); return bool(created.command); }},
        {sh::Missing::ViewportCamera, [] { return bool(camera()); }},
        {sh::Missing::CameraEye, [] { return bool(camera()->eye()); }},
        {sh::Missing::CameraTarget, [] { return bool(camera()->target()); }},
        {sh::Missing::CameraUpVector, [] { return bool(camera()->upVector()); }},
        {sh::Missing::GeneralPreferences,
         [] { return bool(Application::get()->preferences()->generalPreferences()); }},
        {sh::Missing::Application, [] { return bool(Application::get()); }},
    };
    for (const auto& [what, present] : cases) {
        SCOPED_TRACE(static_cast<int>(what));
        if (what != sh::Missing::AddedControl) { // it would add the control
            EXPECT_TRUE(present());
        }
        sh::setMissing(what);
        EXPECT_FALSE(present());
        sh::setMissing(what, false);
    }
    EXPECT_FALSE(qat()->itemById("cmd")); // AddedControl did not add it

    sh::setMissing(sh::Missing::EventArgs);
    const sh::ClickResult r = sh::click("cmd"); // the handler dereferences the empty arguments
    EXPECT_EQ(r.error, "Unknown exception");
    sh::reset();
    EXPECT_TRUE(Application::get()->userInterface());
    EXPECT_EQ(Application::get()->userInterface().get(), userInterface.get());
    EXPECT_TRUE(sh::commandDefinitions().empty());
    EXPECT_FALSE(userInterface->commandDefinitions()->itemById("cmd"));
}
