#pragma once
// Starting another program and knowing our own process id.

#include <cstdint>
#include <string>

namespace platform {

class Processes {
public:
    virtual ~Processes() = default;

    // Starts the executable at path (UTF-8) with no arguments beyond its own
    // name, with this process's environment and current directory, and
    // without waiting for it or keeping any handle to it. True when the
    // program was started; false when it could not be (missing, not
    // executable, no resources).
    //
    // Windows: CreateProcessW with the path as application name and the
    // quoted path as the command line (so that a path with blanks reaches
    // the program as its one argv[0]), no security attributes, no inherited
    // handles, creation flags 0 and a zeroed STARTUPINFOW; both returned
    // handles are closed at once.
    // POSIX: the program runs detached in a session of its own with default
    // signal handling, inherits only standard input, output and error, and is
    // never this process's child, so no zombie is left behind and the host's
    // own child handling is not disturbed.
    virtual bool launch(const std::string& path) = 0;

    // The id of this process (GetCurrentProcessId / getpid).
    virtual std::uint32_t currentId() = 0;

    Processes() = default;
    Processes(const Processes&) = delete;
    Processes& operator=(const Processes&) = delete;
};

} // namespace platform
