#pragma once
// A session with the add-in as a list of steps: what a person does in the
// host (open a document, click a command, answer or cancel the save dialog)
// and what the host does to the add-in (run, stop, unload), with checks.
//
// Script files hold one step per line:
//
//   open FILE                 opens a design file and makes it active ("-":
//                             a design document on standard input)
//   close                     closes the active document
//   answer FILE               save dialogs answer FILE from now on ("-" is
//                             standard output)
//   cancel                    save dialogs are cancelled from now on
//   run                       loads the add-in module when it is not loaded,
//                             and calls its run
//   stop                      calls the add-in's stop
//   unload                    unloads the module (calling stop first when
//                             the add-in still runs)
//   click COMMAND             clicks the button of a command, given by its
//                             id or its name, where it sits in the user
//                             interface (toolbars first, then panels)
//   expect-message TEXT       the oldest message box not yet expected showed
//                             exactly TEXT
//   expect-failure [TEXT]     the last click failed (with exactly TEXT)
//   remove-workspace ID       the host loses a workspace ...
//   remove-panel WORKSPACE PANEL  ... or one panel, with their buttons
//
// Blank lines and lines starting with '#' are skipped. The argument of a
// one-argument step is the rest of the line, blanks included; relative file
// names are taken from the script's folder.

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace addinhost {

struct Step {
    enum class Kind {
        Open,
        Close,
        Answer,
        Cancel,
        Run,
        Stop,
        Unload,
        Click,
        ExpectMessage,
        ExpectFailure,
        RemoveWorkspace,
        RemovePanel,
    };
    Kind kind = Kind::Run;
    std::vector<std::string> args;
    // "FILE:LINE" for a step read from a script, empty otherwise; prefixes
    // what goes wrong in the step.
    std::string where;
};

// A script that cannot be read, or a line that is not a step.
class ScriptError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The steps of a script text; `file` names it in messages and its folder is
// where relative file names start ("-": standard input, from the current
// folder). Throws ScriptError for the first bad line.
std::vector<Step> parseScript(std::string_view text, const std::filesystem::path& file);

// Reads and parses a script file ("-": standard input, to its end).
std::vector<Step> readScript(const std::filesystem::path& file);

// One line of help per step, for --help.
std::string scriptHelp();

} // namespace addinhost
