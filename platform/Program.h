#pragma once
// The running program's command-line arguments in UTF-8, and its main
// function kept from ending by an exception. (Its own path is
// executablePath() in ProcessInfo.h.)

#include <string>
#include <vector>

namespace platform {

// The program's arguments, its own name first, as UTF-8. POSIX: argv as it
// is. Windows: the wide command line (GetCommandLineW, CommandLineToArgvW),
// because main's argv holds the arguments in the ANSI code page, where a file
// name with other characters arrives mangled.
std::vector<std::string> commandLineArguments(int argc, char** argv);

// Returns body(argc, argv). An exception that leaves body becomes one line on
// standard error, "<program>: <what>" ("out of memory" for std::bad_alloc),
// and failureStatus, instead of an abort without a word.
int guardedMain(const char* program, int failureStatus, int (*body)(int, char**), int argc, char** argv);

} // namespace platform
