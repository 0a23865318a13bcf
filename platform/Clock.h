#pragma once
// Wall-clock and tick time, and sleeping: Sleep, GetTimeFormatA and
// GetTickCount on Windows; nanosleep, localtime_r/strftime and the monotonic
// clock on POSIX. Replaceable through Services so that tests control time.

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

class Clock {
public:
    virtual ~Clock() = default;

    // Blocks the calling thread for about the given time.
    virtual void sleepMilliseconds(std::uint32_t milliseconds) = 0;

    // The local time of day as "HH:mm:ss" (24-hour clock, two digits each);
    // nothing when the system cannot format it.
    virtual std::optional<std::string> localTimeOfDay() = 0;

    // Milliseconds since an arbitrary fixed point, wrapping at 2^32 like
    // GetTickCount. Only differences are meaningful; compute them in unsigned
    // 32-bit arithmetic so that they survive the wrap.
    virtual std::uint32_t tickMilliseconds() = 0;

    Clock() = default;
    Clock(const Clock&) = delete;
    Clock& operator=(const Clock&) = delete;
};

} // namespace platform
