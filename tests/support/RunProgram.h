#pragma once
// Runs another program to its end, without a shell, and collects what it
// printed: fork and exec on POSIX, CreateProcessW on Windows.

#include <cstdint>
#include <string>
#include <vector>

namespace rdtest {

struct ProgramRun {
    int status = -1;  // the exit code; -1 when it did not start or was killed
    std::string out;  // standard output, byte for byte
    std::string err;  // standard error, text with "\n" line ends (readTextFile)
};

// Where a program's standard input comes from and its standard output goes.
struct ProgramStreams {
    std::string input;  // a file read as standard input; empty: the null device
    std::string output; // a file standard output goes to instead of ProgramRun::out
};

// Runs program (a path, UTF-8) with args in folder (empty: this process's
// current folder), with this process's environment, and waits for it.
ProgramRun runProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::string& folder = {}, const ProgramStreams& streams = {});

// The id of this process.
std::uint64_t currentProcessId();

// The id of another process that runs as long as this one does: the parent
// on POSIX; on Windows the parent while it still runs (Windows keeps no such
// bond), else another running process of the session.
std::uint64_t anotherRunningProcessId();

} // namespace rdtest
