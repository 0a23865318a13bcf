#include "LogTesting.h"

#include "LogLevel.h"
#include "Output2FILE.h"

namespace vel {

void resetLogForTesting()
{
    Output2FILE::closeForTesting();
    resetTimeBaseForTesting();
    logReportingLevel() = LogDebug4;
}

} // namespace vel
