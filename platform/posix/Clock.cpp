#include <platform/Native.h>

#include <cerrno>
#include <ctime>

namespace platform {

namespace {

class PosixClock final : public Clock {
public:
    void sleepMilliseconds(std::uint32_t milliseconds) override
    {
        timespec remaining{static_cast<time_t>(milliseconds / 1000),
                           static_cast<long>(milliseconds % 1000) * 1000000L};
        // A signal cuts nanosleep short; sleep the rest like Sleep would.
        while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
        }
    }

    std::optional<std::string> localTimeOfDay() override
    {
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        if (now == static_cast<std::time_t>(-1) || localtime_r(&now, &local) == nullptr)
            return std::nullopt;
        char text[16];
        const std::size_t length = std::strftime(text, sizeof text, "%H:%M:%S", &local);
        if (length == 0)
            return std::nullopt;
        return std::string(text, length);
    }

    std::uint32_t tickMilliseconds() override
    {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        const auto milliseconds = static_cast<std::uint64_t>(now.tv_sec) * 1000u
                                  + static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
        return static_cast<std::uint32_t>(milliseconds); // wraps like GetTickCount
    }
};

} // namespace

Clock& native::clock()
{
    static PosixClock instance;
    return instance;
}

} // namespace platform
