#include <platform/Native.h>

#include <windows.h>

namespace platform {

namespace {

class WinClock final : public Clock {
public:
    void sleepMilliseconds(std::uint32_t milliseconds) override { Sleep(milliseconds); }

    std::optional<std::string> localTimeOfDay() override
    {
        // The user-default locale (1024), no flags, the current time.
        char text[200];
        if (GetTimeFormatA(LOCALE_USER_DEFAULT, 0, nullptr, "HH':'mm':'ss", text, sizeof text) == 0)
            return std::nullopt;
        return std::string(text);
    }

    std::uint32_t tickMilliseconds() override { return GetTickCount(); }
};

static_assert(LOCALE_USER_DEFAULT == 1024);

} // namespace

Clock& native::clock()
{
    static WinClock instance;
    return instance;
}

} // namespace platform
