#include "CommandLine.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <vector>

#include <sceneapi/BuildStamp.h>

namespace rdcli {

namespace {

std::string quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

std::string commandNames(const CLI::App& app)
{
    std::string names;
    for (const CLI::App* command : app.get_subcommands([](const CLI::App*) { return true; }))
        names += (names.empty() ? "" : ", ") + command->get_name();
    return names;
}

// The parsed command that the arguments went to last: the tool itself or
// one of its commands.
const CLI::App& innermost(const CLI::App& app)
{
    const std::vector<CLI::App*> parsed = app.get_subcommands();
    return parsed.empty() ? app : innermost(*parsed.back());
}

// The arguments nothing took, as one message.
std::string unexpected(const CLI::App& app, const std::vector<std::string>& left)
{
    const std::string& first = left.front();
    if (first.size() > 1 && first[0] == '-')
        return "unknown option " + quoted(first.substr(0, first.find('=')));
    const std::string commands = commandNames(app);
    if (!commands.empty() && app.get_subcommands().empty())
        return "unknown command " + quoted(first) + " (commands: " + commands + ")";
    std::string all;
    for (const std::string& arg : left)
        all += (all.empty() ? "" : " ") + quoted(arg);
    return (left.size() == 1 ? "unexpected argument " : "unexpected arguments ") + all;
}

} // namespace

std::string versionLine(const std::string& program)
{
    return program + " " + RD_PROJECT_VERSION + " (built " + vel::buildStamp() + ")";
}

void describeTool(CLI::App& app, const std::string& program, const std::string& failed, const std::string& footer)
{
    app.set_version_flag("--version", versionLine(program), "Print the version and exit");
    app.footer((footer.empty() ? "" : footer + "\n\n") + "Exit status:\n  0  done\n  1  " + failed +
               "\n  2  the command line is wrong");
}

std::optional<int> parse(CLI::App& app, const std::string& program, int argc, const char* const* argv)
{
    try {
        app.parse(argc, argv);
        return std::nullopt;
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e, std::cout, std::cerr);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e, std::cout, std::cerr);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e, std::cout, std::cerr);
    } catch (const CLI::ParseError& e) {
        std::string what = e.what();
        const std::vector<std::string> left = app.remaining(true);
        if (!left.empty())
            // Also behind "A subcommand is required": the word taken for one.
            what = unexpected(innermost(app), left);
        else if (app.get_require_subcommand_min() > 0 && app.get_subcommands().empty())
            what = "a command is required (commands: " + commandNames(app) + ")";
        else if (what.size() > 1 && std::islower(static_cast<unsigned char>(what[1])))
            what[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(what[0]))); // not "FILE"
        std::string usage = program;
        for (const CLI::App* command = &app; !command->get_subcommands().empty();) {
            command = command->get_subcommands().back();
            usage += " " + command->get_name();
        }
        std::cerr << program << ": " << what << "\nRun '" << usage << " --help' for the usage.\n";
        return kBadCommandLine;
    }
}

int finish(const std::string& program, int status)
{
    errno = 0;
    const bool flushed = std::fflush(stdout) == 0;
    if (flushed && !std::ferror(stdout))
        return status;
    const int error = errno;
    std::fprintf(stderr, "%s: could not write to standard output%s%s\n", program.c_str(),
                 !flushed && error != 0 ? ": " : "", !flushed && error != 0 ? std::strerror(error) : "");
    return kFailed;
}

} // namespace rdcli
