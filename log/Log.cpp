#include "Log.h"

#include "LogTesting.h"

#include <platform/Services.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <optional>

namespace vel {

namespace {

// The tick of the first time stamp of the process, with bit 32 set once it is
// taken (0: not yet). A compare-exchange makes the first stamp's tick win when
// several threads race; tests reset it to 0.
std::atomic<std::uint64_t>& timeBase()
{
    static std::atomic<std::uint64_t> base{0};
    return base;
}

constexpr std::uint64_t kTaken = std::uint64_t{1} << 32;

std::uint32_t firstTick(platform::Clock& clock)
{
    std::uint64_t base = timeBase().load();
    if (base == 0) {
        const std::uint64_t mine = kTaken | clock.tickMilliseconds();
        // On failure the exchange loads the winner's value into base.
        if (timeBase().compare_exchange_strong(base, mine))
            base = mine;
    }
    return static_cast<std::uint32_t>(base);
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
    const std::uint32_t base = firstTick(clock);
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
    timeBase().store(0);
}

} // namespace vel
