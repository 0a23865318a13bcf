#pragma once
// What every command-line tool of the project does alike: `--version`, the
// exit statuses in its help, a bad command line told in one line that names
// the offending argument, and a lost write to standard output counted as a
// failure.
//
// Exit statuses: 0 done, 1 failed, 2 a bad command line. "-" names standard
// input or output wherever a tool takes a file name; each tool handles that
// itself.

#include <optional>
#include <string>

#include <CLI/CLI.hpp>

namespace rdcli {

inline constexpr int kDone = 0;
inline constexpr int kFailed = 1;
inline constexpr int kBadCommandLine = 2;

// "rdk 8.0 (built Tue Apr 30 15:11:26 2019)".
std::string versionLine(const std::string& program);

// Adds --version and a help footer: `footer` (may be empty), then the exit
// statuses, `failed` saying what status 1 means for this tool.
void describeTool(CLI::App& app, const std::string& program, const std::string& failed,
                  const std::string& footer = {});

// Parses the arguments. Nothing when the tool should go on; otherwise the
// status to exit with: 0 after --help or --version (printed on standard
// output), 2 after a bad command line, told on standard error as
// "PROGRAM: <what>" naming the unknown command, option or argument.
std::optional<int> parse(CLI::App& app, const std::string& program, int argc, const char* const* argv);

// Flushes standard output. When something written to it did not arrive (a
// full disk, a closed pipe), says so and returns 1; otherwise `status`.
int finish(const std::string& program, int status);

} // namespace rdcli
