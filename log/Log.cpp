#include "Log.h"

#include "LogTesting.h"

#include <Services.h>

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <optional>

namespace vel {

namespace {

// The tick of the first time stamp of the process. Guarded, because a time
// stamp may be made from any thread; resettable for tests.
struct TimeBase {
    std::mutex mutex;
    std::optional<std::uint32_t> tick;
};

TimeBase& timeBase()
{
    static TimeBase base;
    return base;
}

} // namespace

std::string_view sourceFileName(std::string_view path)
{
    const std::size_t separator = path.find_last_of("\\/");
    return separator == std::string_view::npos ? path : path.substr(separator + 1);
}

std::string timeStamp()
{
    platform::Clock& clock = *platform::services().clock;
    std::uint32_t base = 0;
    {
        TimeBase& shared = timeBase();
        const std::lock_guard<std::mutex> lock(shared.mutex);
        if (!shared.tick)
            shared.tick = clock.tickMilliseconds();
        base = *shared.tick;
    }
    const std::optional<std::string> time = clock.localTimeOfDay();
    if (!time)
        return "Error in NowTime()";
    // Unsigned 32-bit difference: correct across the tick counter's wrap.
    const long milliseconds = static_cast<long>(static_cast<std::uint32_t>(clock.tickMilliseconds() - base) % 1000u);
    char text[256];
    std::snprintf(text, sizeof text, "%s.%03ld", time->c_str(), milliseconds);
    return text;
}

void resetTimeBaseForTesting()
{
    TimeBase& shared = timeBase();
    const std::lock_guard<std::mutex> lock(shared.mutex);
    shared.tick.reset();
}

} // namespace vel
