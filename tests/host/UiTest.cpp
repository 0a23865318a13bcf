// The user interface as only the host sees it: failed handlers, hidden
// controls, no doubles. (What the add-in meets of it is
// tested through the add-in, in tests/addin and tests/translate.)

#include "HostTestSupport.h"

#include <functional>
#include <stdexcept>

using namespace hosttest;
using namespace adsk::core;

namespace {

// Hooks an execute handler onto each new command, as add-ins do; either may
// be told to throw.
class CreatedHandler : public CommandCreatedEventHandler {
public:
    class Execute : public CommandEventHandler {
    public:
        void notify(const Ptr<CommandEventArgs>&) override
        {
            ++calls;
            if (failure)
                failure();
        }
        int calls = 0;
        std::function<void()> failure;
    };

    void notify(const Ptr<CommandCreatedEventArgs>& eventArgs) override
    {
        command = eventArgs->command();
        if (failure)
            failure();
        command->execute()->add(&execute);
    }

    Ptr<Command> command;
    std::function<void()> failure;
    Execute execute;
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

Ptr<ToolbarControls> qat()
{
    return ui()->toolbars()->itemById("QAT")->controls();
}

} // namespace

class UserInterfaceTest : public HostTest {};

TEST_F(UserInterfaceTest, AClickEndsWithTheHandlersFailureAndHiddenOrUnknownControlsAreNotClicked)
{
    CreatedHandler created;
    Ptr<CommandDefinition> definition = addDefinition("cmd", &created);
    EXPECT_TRUE(definition->commandCreated()->add(&created)); // again: still one call per click
    EXPECT_FALSE(ui()->commandDefinitions()->addButtonDefinition("cmd", "again", "", ""));

    created.execute.failure = [] { throw std::runtime_error("disk full"); };
    sh::ClickResult r = sh::click("cmd");
    EXPECT_EQ(r.outcome, sh::ClickResult::Failed);
    EXPECT_EQ(r.error, "disk full");
    created.failure = [] { throw 42; };
    EXPECT_EQ(sh::click("cmd").error, "unknown exception type");
    EXPECT_EQ(created.execute.calls, 1) << "not run after the created handler failed";
    created.failure = nullptr;
    created.execute.failure = nullptr;

    Ptr<Workspace> render = ui()->workspaces()->itemById("FusionRenderEnvironment");
    Ptr<ToolbarControl> control = render->toolbarPanels()->itemById("RenderPanel")->controls()->addCommand(definition);
    ASSERT_TRUE(control);
    EXPECT_FALSE(render->toolbarPanels()->itemById("RenderPanel")->controls()->addCommand(definition));
    EXPECT_FALSE(qat()->addCommand(nullptr));
    // A new control is hidden until it is shown.
    EXPECT_EQ(sh::clickPanelControl("FusionRenderEnvironment", "RenderPanel", "cmd").outcome,
              sh::ClickResult::NotVisible);
    control->isVisible(true);
    EXPECT_TRUE(sh::clickPanelControl("FusionRenderEnvironment", "RenderPanel", "cmd"));
    control->isVisible(false);
    EXPECT_EQ(sh::clickPanelControl("FusionRenderEnvironment", "RenderPanel", "cmd").outcome,
              sh::ClickResult::NotVisible);
    EXPECT_EQ(sh::clickToolbarControl("QAT", "cmd").outcome, sh::ClickResult::NotFound);
    EXPECT_EQ(sh::click("nothing").outcome, sh::ClickResult::NotFound);

    qat()->addCommand(addDefinition("a", nullptr));
    qat()->addCommand(addDefinition("b", nullptr), "a", true);
    qat()->addCommand(addDefinition("c", nullptr), "a", false);
    qat()->addCommand(addDefinition("d", nullptr), "zz", true);
    std::string order;
    for (const auto& c : sh::toolbarControls("QAT"))
        order += c.id;
    EXPECT_EQ(order, "bacd") << "before or after an existing control, else at the end";
    sh::unregisterHandlers(); // as when an add-in's library goes
    EXPECT_TRUE(sh::click("cmd"));
    EXPECT_EQ(created.execute.calls, 2);

    // A reset starts the host afresh in the same user interface.
    const Ptr<UserInterface> before = ui();
    sh::reset();
    EXPECT_EQ(ui().get(), before.get());
}
