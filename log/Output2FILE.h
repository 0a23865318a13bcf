#pragma once
// The output policy of FILELog: the process-wide log file "sceneapi.log" in
// the resource folder of the best RayDeck installation of major versions 5 to
// 20.
//
// The file is opened on the first call of stream() that finds an
// installation, and then kept open for the rest of the process. Below 20 MiB
// it is appended to, so the log grows from one run of the host to the next;
// at 20 MiB or more it is started anew. Without an installation the log is
// silently off and every later call looks again. A file that cannot be opened
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
// The installations whose resource folder holds the log.
inline constexpr int kLogMinVersion = 5;
inline constexpr int kLogMaxVersion = 20;

class Output2FILE {
public:
    // The open log file, opening it if it is not open yet; null when there is
    // no installation or the file cannot be opened.
    static std::FILE* stream();

    // Writes one finished line and flushes it, so that every message is on
    // the disk as soon as it is complete. Does nothing when the log is off.
    static void output(const std::string& line);

    // Test only (see LogTesting.h): closes the file and forgets it.
    static void closeForTesting();
};

} // namespace vel
