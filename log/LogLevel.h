#pragma once
// Levels of the live-link log and the process-wide reporting level.

namespace vel {

// A message's level; the value is also the index of its name in the line.
enum LogLevel : int {
    LogError = 0,   // "ERROR"
    LogWarning = 1, // "WARNING"
    LogInfo = 2,    // "INFO"
    LogDebug = 3,   // "DEBUG"
    LogDebug1 = 4,  // "DEBUG1"
    LogDebug2 = 5,  // "DEBUG2"
    LogDebug3 = 6,  // "DEBUG3"
    LogDebug4 = 7,  // "DEBUG4"
    LogNone = 8,    // "NONE": never written with the shipped reporting level
};

// The name written into the line; null for a value outside 0 to 8.
const char* logLevelName(int level);

// The process-wide reporting level: a message of level L is written only when
// L is not greater than it. DEBUG4 from the start, so everything from ERROR to
// DEBUG4 is written; nothing in the add-in changes it.
int& logReportingLevel();

} // namespace vel
