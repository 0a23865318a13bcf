#include "Session.h"

#include <StandIn/DesignLoader.h>
#include <StandIn/StandIn.h>
#include <platform/Files.h>

#include <exception>
#include <iostream>
#include <iterator>
#include <stdexcept>

namespace addinhost {

namespace sh = standin::host;

namespace {

// What the host says of an exception that is not a std::exception.
constexpr const char* kUnknownException = "unknown exception type";

std::string inQuotes(const std::string& text)
{
    return "\"" + text + "\"";
}

// Where a command's button sits, found as a user finds it: by the command's
// id or by its name, on the toolbars first, then on the workspaces' panels.
struct Button {
    std::string toolbar;   // set for a toolbar button
    std::string workspace; // set with panel for a panel button
    std::string panel;
    sh::ControlInfo control;
    std::string name; // the command's name
};

std::optional<Button> findButton(const std::string& command)
{
    const std::vector<sh::CommandDefinitionInfo> definitions = sh::commandDefinitions();
    auto nameOf = [&](const std::string& id) {
        for (const auto& d : definitions)
            if (d.id == id)
                return d.name;
        return std::string();
    };
    auto matches = [&](const sh::ControlInfo& c) { return c.id == command || nameOf(c.id) == command; };

    const sh::UiLayout layout = sh::currentLayout();
    for (const auto& toolbar : layout.toolbars)
        for (const auto& c : sh::toolbarControls(toolbar.id))
            if (matches(c))
                return Button{toolbar.id, {}, {}, c, nameOf(c.id)};
    for (const auto& workspace : layout.workspaces)
        for (const auto& panel : workspace.panels)
            for (const auto& c : sh::panelControls(workspace.id, panel.id))
                if (matches(c))
                    return Button{{}, workspace.id, panel.id, c, nameOf(c.id)};
    return std::nullopt;
}

const char* logLevelPrefix(adsk::core::LogLevels level)
{
    switch (level) {
    case adsk::core::WarningLogLevel: return "warning: ";
    case adsk::core::ErrorLogLevel: return "error: ";
    case adsk::core::InfoLogLevel: break;
    }
    return "";
}

std::string dialogText(const sh::FileDialogRecord& d)
{
    std::string text = "save dialog (" + d.filter + ", in " + d.initialDirectory + ") offered " +
                       inQuotes(d.initialFilename) + ": ";
    return text + (d.result == adsk::core::DialogOK ? "answered " + inQuotes(d.filename) : std::string("cancelled"));
}

} // namespace

Session::Session(std::string modulePath, bool trace) : modulePath_(std::move(modulePath)), trace_(trace)
{
    sh::reset();
}

Session::~Session()
{
    try {
        finish();
    } catch (...) {
        // finish reports what goes wrong; nothing may leave a destructor.
    }
}

void Session::report(const std::string& text)
{
    std::fprintf(stderr, "addin-host: %s\n", text.c_str());
    std::fflush(stderr);
}

void Session::trace(const std::string& text) const
{
    if (trace_)
        report(text);
}

bool Session::execute(const std::vector<Step>& steps)
{
    for (const Step& s : steps) {
        try {
            step(s);
            reportNewHostEvents();
        } catch (const std::exception& e) {
            reportNewHostEvents(true);
            report((s.where.empty() ? "" : s.where + ": ") + e.what());
            return false;
        } catch (...) {
            reportNewHostEvents(true);
            report((s.where.empty() ? "" : s.where + ": ") + kUnknownException);
            return false;
        }
    }
    return true;
}

bool Session::finish()
{
    bool ok = true;
    if (running_) {
        try {
            stop();
        } catch (const std::exception& e) {
            report(e.what());
            ok = false;
        }
    }
    reportNewHostEvents();
    if (module_) {
        trace("unloaded " + module_->path());
        module_.reset();
    }
    return ok;
}

bool Session::allAccountedFor() const
{
    return unexpectedFailures_ == 0 && messagesExpected_ == messagesSeen_;
}

std::string Session::unaccountedSummary() const
{
    const std::size_t messages = messagesSeen_ - messagesExpected_;
    std::string text;
    if (unexpectedFailures_ > 0)
        text = std::to_string(unexpectedFailures_) + (unexpectedFailures_ == 1 ? " failed command" : " failed commands");
    if (messages > 0)
        text += (text.empty() ? "" : " and ") + std::to_string(messages) + (messages == 1 ? " message box" : " message boxes");
    return text;
}

void Session::step(const Step& s)
{
    switch (s.kind) {
    case Step::Kind::Open:
        open(s.args.at(0));
        break;
    case Step::Kind::Close:
        sh::closeDocument();
        trace("closed the document");
        break;
    case Step::Kind::Answer:
        sh::answerFileDialogs(s.args.at(0));
        trace("save dialogs answer " + inQuotes(s.args.at(0)));
        break;
    case Step::Kind::Cancel:
        sh::cancelFileDialogs();
        trace("save dialogs are cancelled");
        break;
    case Step::Kind::Run:
        run();
        break;
    case Step::Kind::Stop:
        stop();
        break;
    case Step::Kind::Unload:
        unload();
        break;
    case Step::Kind::Click:
        click(s.args.at(0));
        break;
    case Step::Kind::ExpectMessage:
        expectMessage(s.args.at(0));
        break;
    case Step::Kind::ExpectFailure:
        expectFailure(s.args.empty() ? std::nullopt : std::optional<std::string>(s.args[0]));
        break;
    case Step::Kind::RemoveWorkspace:
        if (!sh::removeWorkspace(s.args.at(0)))
            throw std::runtime_error("there is no workspace " + inQuotes(s.args[0]));
        trace("removed the workspace " + inQuotes(s.args[0]));
        break;
    case Step::Kind::RemovePanel:
        if (!sh::removePanel(s.args.at(0), s.args.at(1)))
            throw std::runtime_error("there is no panel " + inQuotes(s.args[1]) + " in the workspace " +
                                     inQuotes(s.args[0]));
        trace("removed the panel " + inQuotes(s.args[1]) + " of " + inQuotes(s.args[0]));
        break;
    }
}

void Session::setImportOptions(const sh::ImportOptions& options, sh::StreamProgress::Mode progress)
{
    importOptions_ = options;
    progress_ = progress;
}

void Session::open(const std::string& file)
{
    // Standard input has no extension to tell its format by: it holds a
    // design document.
    if (file == "-") {
        const std::string text{std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>()};
        sh::openDesign(sh::parseDesign(text, "standard input"));
        trace("opened the design document on standard input");
        return;
    }
    // Any design file, by its extension; a DesignError names the file and
    // the place in it. Long loads show their stages on standard error.
    sh::StreamProgress progress(file, progress_);
    sh::ImportOptions options = importOptions_;
    options.monitor = &progress;
    sh::openDesignAnyFormat(platform::pathFromUtf8(file), options);
    trace("opened " + file);
}

void Session::run()
{
    if (!module_) {
        module_ = std::make_unique<AddinModule>(modulePath_);
        trace("loaded " + module_->path());
    }
    // From here on the host owes the add-in a stop, whatever run does.
    running_ = true;
    bool started = false;
    try {
        started = module_->run();
    } catch (const std::exception& e) {
        throw std::runtime_error(std::string("the add-in failed to start: run raised an exception: ") + e.what());
    } catch (...) {
        throw std::runtime_error(std::string("the add-in failed to start: run raised an exception: ") +
                                 kUnknownException);
    }
    if (!started)
        throw std::runtime_error("the add-in did not start: run returned false");
    trace("run returned true");
}

void Session::stop()
{
    if (!module_)
        throw std::runtime_error("the add-in is not loaded");
    running_ = false;
    bool stopped = false;
    try {
        stopped = module_->stop();
    } catch (const std::exception& e) {
        throw std::runtime_error(std::string("stop raised an exception: ") + e.what());
    } catch (...) {
        throw std::runtime_error(std::string("stop raised an exception: ") + kUnknownException);
    }
    if (!stopped)
        throw std::runtime_error("stop returned false");
    trace("stop returned true");
}

void Session::unload()
{
    if (!module_)
        throw std::runtime_error("the add-in is not loaded");
    if (running_)
        stop();
    trace("unloaded " + module_->path());
    module_.reset();
}

void Session::click(const std::string& command)
{
    const std::optional<Button> button = findButton(command);
    if (!button)
        throw std::runtime_error("no button of the command " + inQuotes(command) + " in the user interface");
    if (!button->control.visible)
        throw std::runtime_error("the button of " + inQuotes(command) + " is hidden");

    const sh::ClickResult result = button->toolbar.empty()
                                       ? sh::clickPanelControl(button->workspace, button->panel, button->control.id)
                                       : sh::clickToolbarControl(button->toolbar, button->control.id);
    lastClick_ = Click{button->name, result.outcome == sh::ClickResult::Failed, result.error};
    lastFailureExpected_ = false;
    switch (result.outcome) {
    case sh::ClickResult::Completed:
        trace("clicked " + inQuotes(button->name));
        break;
    case sh::ClickResult::Failed:
        // What the user of the host is told about a failing add-in command;
        // the session goes on.
        reportNewHostEvents(true);
        report("command " + inQuotes(button->name) + " failed: " + result.error);
        ++unexpectedFailures_;
        break;
    case sh::ClickResult::NotFound:
    case sh::ClickResult::NotVisible:
        throw std::runtime_error("the host could not click " + inQuotes(command));
    }
}

void Session::expectMessage(const std::string& text)
{
    const std::vector<sh::MessageBoxRecord> shown = sh::shownMessageBoxes();
    if (messagesExpected_ >= shown.size())
        throw std::runtime_error("expected a message box " + inQuotes(text) + ", but none is left");
    const std::string& actual = shown[messagesExpected_].text;
    if (actual != text)
        throw std::runtime_error("expected the message box " + inQuotes(text) + ", but it showed " + inQuotes(actual));
    ++messagesExpected_;
}

void Session::expectFailure(const std::optional<std::string>& text)
{
    if (!lastClick_ || !lastClick_->failed || lastFailureExpected_)
        throw std::runtime_error("expected the last click to fail, but " +
                                 (lastClick_ ? "it did not" : std::string("there was no click")));
    if (text && *text != lastClick_->error)
        throw std::runtime_error("expected the last click to fail with " + inQuotes(*text) + ", but it failed with " +
                                 inQuotes(lastClick_->error));
    lastFailureExpected_ = true;
    --unexpectedFailures_;
}

void Session::reportNewHostEvents(bool failed)
{
    const std::vector<sh::FileDialogRecord> dialogs = sh::shownFileDialogs();
    for (; dialogsSeen_ < dialogs.size(); ++dialogsSeen_)
        trace(dialogText(dialogs[dialogsSeen_]));
    const std::vector<sh::MessageBoxRecord> messages = sh::shownMessageBoxes();
    // What the add-in said it did explains a failure; on success it is
    // only wanted when tracing.
    const std::vector<sh::LogRecord> lines = sh::loggedLines();
    const bool showLog = trace_ || failed || messagesSeen_ < messages.size();
    for (; logSeen_ < lines.size(); ++logSeen_) {
        const sh::LogRecord& line = lines[logSeen_];
        if (showLog)
            report(std::string("log: ") + logLevelPrefix(line.level) + line.message);
    }
    for (; messagesSeen_ < messages.size(); ++messagesSeen_) {
        const sh::MessageBoxRecord& m = messages[messagesSeen_];
        std::string line = "message box";
        if (!m.title.empty())
            line.append(" ").append(inQuotes(m.title));
        report(line.append(": ").append(m.text));
    }
}

} // namespace addinhost
