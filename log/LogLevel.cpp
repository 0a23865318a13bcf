#include "LogLevel.h"

namespace vel {

const char* logLevelName(int level)
{
    static const char* const names[] = {"ERROR", "WARNING", "INFO", "DEBUG", "DEBUG1",
                                        "DEBUG2", "DEBUG3", "DEBUG4", "NONE"};
    return level >= 0 && level <= LogNone ? names[level] : nullptr;
}

int& logReportingLevel()
{
    static int level = LogDebug4;
    return level;
}

} // namespace vel
