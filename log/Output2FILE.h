#pragma once
// The output policy of FILELog: the process-wide log file "sceneapi.log" in a
// folder that the log's user names through setFolderFinder (the live library
// loader: RayDeck's resource folder). The log itself knows nothing of
// installations.
//
// The file is opened on the first call of stream() for which the finder
// names a folder, and then kept open for the rest of the process. Below 20 MiB
// it is appended to, so the log grows from one run of the host to the next;
// at 20 MiB or more it is started anew. Without a finder, or while it names no
// folder, the log is silently off and every later call asks again. A file that cannot be opened
// is reported on standard error ("could not open log file:" and a perror line
// "opening log: <reason>") and also tried again on the next call.

#include <cstdint>
#include <cstdio>
#include <string>

namespace vel {

// Name of the log file inside the resource folder.
inline constexpr char kLogFileName[] = "sceneapi.log";
// An existing log of this size or more is started anew (20 MiB).
inline constexpr std::uint64_t kLogRestartBytes = 20971520;
class Output2FILE {
public:
    // Finds the folder of the log file; an empty text when there is none
    // (yet). Called each time the log is wanted while it is not open.
    using FolderFinder = std::string (*)();

    // Sets the finder the log asks for its folder; a later call replaces it.
    static void setFolderFinder(FolderFinder finder);

    // The open log file, opening it if it is not open yet; null when there is
    // no folder or the file cannot be opened.
    static std::FILE* stream();

    // Writes one finished line and flushes it, so that every message is on
    // the disk as soon as it is complete. Does nothing when the log is off.
    static void output(const std::string& line);

    // Test only (see LogTesting.h): closes the file and forgets it.
    static void closeForTesting();
};

} // namespace vel
