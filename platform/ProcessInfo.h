#pragma once
// What a program knows about itself and about other processes of the machine:
// its own executable, whether a process still runs, and ending one. Used by
// the RayDeck stand-ins, whose processes find each other through files and
// must tell the files of running processes from those of dead ones.

#include <cstdint>
#include <string>

namespace platform {

// The full path of the running program's executable (UTF-8): readlink of
// /proc/self/exe on Linux, GetModuleFileNameW on Windows. Empty when the
// system cannot tell.
std::string executablePath();

// True when a process with this id runs, also one of another user
// (kill(pid, 0) / OpenProcess with GetExitCodeProcess). A process that has
// ended but was not yet collected by its parent (a zombie) does not run. Ids
// 0 and those beyond the system's range exist nowhere.
bool processExists(std::uint64_t processId);

// Ends the process at once (SIGKILL / TerminateProcess). For tools and tests
// that clean up after a process that did not quit when asked; false when it
// could not be signalled.
bool killProcess(std::uint64_t processId);

// Stops the process where it stands (SIGSTOP), and lets it go on
// (SIGCONT): a process that hangs, for tests. False when it could not be
// signalled, and always on Windows, which has no such signal.
bool stopProcess(std::uint64_t processId);
bool resumeProcess(std::uint64_t processId);

// Points standard input, output and error at the null device, so that a
// long-running program keeps none of the pipes or terminals of whoever
// started it open (someone reading its launcher's output to the end would
// otherwise wait for it). Nothing on Windows, where a launched program
// inherits no handles.
void releaseStandardStreams();

// Has the C library hand memory that the program frees back to the system
// at once, where it would otherwise keep some for later: the GNU C library
// by default keeps up to twice the size of the largest block it has given
// back (up to 64 MiB) at the top of its heap, and then serves blocks of that
// size from the heap, where they also stay after they are freed. A program
// that reads files of gigabytes holds less at its peak with that memory
// given back. Nothing where the C library has no such setting.
void returnFreedMemoryPromptly();

} // namespace platform
