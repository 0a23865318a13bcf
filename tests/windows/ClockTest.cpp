// The Windows clock behind the log's time stamps: GetTimeFormatA with the
// user-default locale and the picture "HH':'mm':'ss", GetTickCount and
// Sleep, and a log line made with them.

#include <log/FILELog.h>
#include <log/LogTesting.h>
#include <platform/Services.h>
#include <sceneapi/dev/raydecklive_loader.h>
#include <tests/support/Sandbox.h>

#include <gtest/gtest.h>

#include <windows.h>

#include <regex>
#include <sstream>

namespace {

platform::Clock& systemClock()
{
    return *platform::services().clock;
}

std::string hhmmss(const SYSTEMTIME& t)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u", t.wHour, t.wMinute, t.wSecond);
    return text;
}

} // namespace

TEST(WindowsClock, TheTimeOfDayIsLocalTimeInTwentyFourHourDigits)
{
    SYSTEMTIME before{};
    SYSTEMTIME after{};
    GetLocalTime(&before);
    const std::optional<std::string> time = systemClock().localTimeOfDay();
    GetLocalTime(&after);
    ASSERT_TRUE(time);
    EXPECT_TRUE(std::regex_match(*time, std::regex(R"(([01]\d|2[0-3]):[0-5]\d:[0-5]\d)"))) << *time;
    EXPECT_TRUE(*time == hhmmss(before) || *time == hhmmss(after)) << *time;
}

TEST(WindowsClock, TicksAreGetTickCountAndSleepWaits)
{
    const std::uint32_t start = systemClock().tickMilliseconds();
    EXPECT_LE(static_cast<std::uint32_t>(GetTickCount() - start), 1000u);
    systemClock().sleepMilliseconds(100);
    // GetTickCount moves in steps of up to 16 ms.
    EXPECT_GE(static_cast<std::uint32_t>(systemClock().tickMilliseconds() - start), 84u);
}

TEST(WindowsClock, LogLinesCarryTheTimeOfDayAndMillisecondsFromTheFirstStamp)
{
    vel::resetLogForTesting();
    vel::Output2FILE::setFolderFinder(&vel::live::logFolder);
    {
        const rdtest::RegistrySandbox sandbox;
        const rdtest::FakeInstall raydeck = sandbox.makeInstallation("raydeck");
        sandbox.writeUser(rdtest::regInstallation(platform::RegistryRoot::CurrentUser, 9, raydeck));
        VEL_LOG(vel::LogInfo) << "first";
        systemClock().sleepMilliseconds(300);
        VEL_LOG(vel::LogWarning) << "second";
        vel::resetLogForTesting();

        std::istringstream lines(rdtest::readTextFile(raydeck.resourceFolder + "\\sceneapi.log"));
        const std::regex pattern(R"(ClockTest\.cpp:\d+ - \d\d:\d\d:\d\d\.(\d\d\d) (INFO|WARNING):  (first|second))");
        std::vector<int> milliseconds;
        for (std::string line; std::getline(lines, line);) {
            std::smatch match;
            ASSERT_TRUE(std::regex_match(line, match, pattern)) << line;
            milliseconds.push_back(std::stoi(match[1]));
        }
        ASSERT_EQ(milliseconds.size(), 2u);
        // The counter starts at the first stamp, not at a wall-clock second.
        EXPECT_LT(milliseconds[0], 20);
        EXPECT_GE(milliseconds[1], 284);
        EXPECT_LT(milliseconds[1], 700);
    }
}
