#pragma once
// A session of the stand-in host with the add-in: runs steps (Script.h) the
// way the host and its user would, and reports on standard error what a user
// of the host would see: message boxes, commands that failed because an
// exception left the add-in, and the lines the add-in wrote to the host's
// text log ("log: ..."), which are shown when a step failed or showed a
// message box, and always when tracing.
//
// A failed command does not end the session, as in the host; nor does a
// message box. Either counts against the session's result unless a later
// expect-failure or expect-message step accounts for it. Any other problem
// (a bad design document, a button that is not there, an add-in that does
// not load or start, an exception out of run or stop, a check that does not
// hold) ends the session at that step. However it ends, a running add-in is
// stopped and its module unloaded.

#include "AddinModule.h"
#include "Script.h"

#include <StandIn/AnyFormat.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace addinhost {

class Session {
public:
    // `modulePath`: the add-in module that `run` loads. `trace`: report every
    // step, not only what goes wrong.
    Session(std::string modulePath, bool trace);
    // Ends the session cleanly (see finish).
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // How design files other than design documents are read (deflections,
    // the unit of unitless mesh files), and whether their loading shows
    // progress on standard error.
    void setImportOptions(const standin::host::ImportOptions& options,
                          standin::host::StreamProgress::Mode progress);

    // Runs the steps in order; false when one ended the session.
    bool execute(const std::vector<Step>& steps);

    // Stops a running add-in and unloads its module; false when stop threw.
    bool finish();

    // True when every failed command and message box was expected;
    // otherwise the summary says how many were not ("1 failed command and 2
    // message boxes").
    bool allAccountedFor() const;
    std::string unaccountedSummary() const;

    // What the last click came to, when there was one.
    struct Click {
        std::string command; // its name as the user sees it
        bool failed = false;
        std::string error;
    };
    const std::optional<Click>& lastClick() const { return lastClick_; }

    // Prints "addin-host: <text>" on standard error.
    static void report(const std::string& text);

private:
    void step(const Step& s);
    void open(const std::string& file);
    void run();
    void stop();
    void unload();
    void click(const std::string& command);
    void expectMessage(const std::string& text);
    void expectFailure(const std::optional<std::string>& text);
    // Reports the message boxes and file dialogs shown since the last call,
    // and the log lines written since: these only when tracing, when a
    // message box came, or when `failed`.
    void reportNewHostEvents(bool failed = false);
    void trace(const std::string& text) const;

    std::string modulePath_;
    bool trace_ = false;
    standin::host::ImportOptions importOptions_;
    standin::host::StreamProgress::Mode progress_ = standin::host::StreamProgress::Mode::Auto;
    std::unique_ptr<AddinModule> module_;
    bool running_ = false;
    std::size_t messagesSeen_ = 0;
    std::size_t messagesExpected_ = 0;
    std::size_t dialogsSeen_ = 0;
    std::size_t logSeen_ = 0;
    std::optional<Click> lastClick_;
    bool lastFailureExpected_ = false;
    std::size_t unexpectedFailures_ = 0;
};

} // namespace addinhost
