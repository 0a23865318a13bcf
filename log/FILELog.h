#pragma once
// The live link's log: one FILELog object per message, written to
// "sceneapi.log" in RayDeck's resource folder (Output2FILE.h).
//
//     VEL_LOG(vel::LogDebug4) << "initialize shared handle: " << handle;
//
// VEL_LOG first compares the level with the reporting level, then asks for
// the log file, and only when both pass builds the message; the object writes
// its line at the end of the statement. A message that is not written
// therefore costs one comparison (or one registry search while the log is
// not open), and its operands are not evaluated.
//
// VEL_LOG expands to an if-else statement: use it as a statement of its own,
// with braces around it when it is the body of an if.

#include "Log.h"
#include "LogLevel.h"
#include "Output2FILE.h"

namespace vel {

class FILELog : public Log<Output2FILE> {};

// True when a message of this level is written now: it passes the reporting
// level and the log file is open (or could be opened just now).
inline bool logEnabled(int level)
{
    return level <= logReportingLevel() && Output2FILE::stream() != nullptr;
}

} // namespace vel

#define VEL_LOG(level)                                                                                        \
    if (!::vel::logEnabled(level)) {                                                                          \
    } else                                                                                                    \
        ::vel::FILELog().get((level), __FILE__, __LINE__)
