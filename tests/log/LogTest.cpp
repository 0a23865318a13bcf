#include <tests/support/Sandbox.h>

#include <log/FILELog.h>
#include <log/LogTesting.h>
#include <platform/Services.h>
#include <sceneapi/dev/raydecklive_loader.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

using platform::RegistryRoot;
using rdtest::RegistrySandbox;

namespace {

class FakeClock final : public platform::Clock {
public:
    void sleepMilliseconds(std::uint32_t) override {}
    std::optional<std::string> localTimeOfDay() override { return time; }
    std::uint32_t tickMilliseconds() override { return tick; }

    std::optional<std::string> time = "12:34:56";
    std::uint32_t tick = 5000;
};

class Log : public testing::Test {
protected:
    Log()
    {
        vel::resetLogForTesting();
        vel::Output2FILE::setFolderFinder(&vel::live::logFolder);
    }
    ~Log() override { vel::resetLogForTesting(); }

    // Registers an installation of version 9 whose resource folder is folder.
    void install(const std::string& folder) const
    {
        rdtest::FakeInstall installation = raydeck;
        installation.resourceFolder = folder;
        sandbox.writeUser(rdtest::regInstallation(RegistryRoot::CurrentUser, 9, installation));
    }

    std::string logText() const { return rdtest::readTextFile(logPath); }

    RegistrySandbox sandbox;
    rdtest::FakeInstall raydeck = sandbox.makeInstallation("raydeck");
    std::string logPath = raydeck.resourceFolder + "/sceneapi.log";
    FakeClock clock;
    platform::ScopedServices fakeClock{[this] {
        platform::Services services = platform::services();
        services.clock = &clock;
        return services;
    }()};
};

} // namespace

TEST_F(Log, ALineCarriesFileLineTimeLevelAndTwoBlanksBeforeTheText)
{
    install(raydeck.resourceFolder);
    const int line = __LINE__ + 1;
    VEL_LOG(vel::LogInfo) << "hello";
    // Milliseconds count from the first stamp of the process, not from the second.
    clock.tick += 1234;
    vel::FILELog().get(vel::LogWarning, "C:\\src\\dev/raydecklive_loader.cpp", 7) << "mixed separators";
    clock.tick += 766;
    vel::FILELog().get(vel::LogDebug4, "plain.cpp", 8) << "no folder";
    clock.time.reset();
    vel::FILELog().get(vel::LogError, "x.cpp", 9) << "clock broken";

    EXPECT_EQ(logText(), "LogTest.cpp:" + std::to_string(line) + " - 12:34:56.000 INFO:  hello\n"
                         "raydecklive_loader.cpp:7 - 12:34:56.234 WARNING:  mixed separators\n"
                         "plain.cpp:8 - 12:34:56.000 DEBUG4:  no folder\n"
                         "x.cpp:9 - Error in NowTime() ERROR:  clock broken\n");

    // The difference survives the wrap of the tick counter: 0x1F0 = 496 ms.
    vel::resetLogForTesting();
    clock.time = "01:02:03";
    clock.tick = 0xFFFFFF00u;
    EXPECT_EQ(vel::timeStamp(), "01:02:03.000");
    clock.tick = 0x000000F0u;
    EXPECT_EQ(vel::timeStamp(), "01:02:03.496");
}

TEST_F(Log, EveryLevelUpToDebug4IsWrittenAndNoneIsNot)
{
    install(raydeck.resourceFolder);
    int evaluated = 0;
    const auto text = [&](int level) {
        ++evaluated;
        return std::string("m").append(std::to_string(level));
    };
    for (int level = vel::LogError; level <= vel::LogNone; ++level)
        VEL_LOG(level) << text(level);

    EXPECT_EQ(evaluated, 8); // the NONE message was not even built
    std::string written; // each line from its level name on
    std::istringstream lines(logText());
    for (std::string line; std::getline(lines, line);)
        written += line.substr(line.find(".000 ") + 5) + "|";
    EXPECT_EQ(written, "ERROR:  m0|WARNING:  m1|INFO:  m2|DEBUG:  m3|DEBUG1:  m4|DEBUG2:  m5|DEBUG3:  m6|DEBUG4:  m7|");
    EXPECT_EQ(vel::logLevelName(vel::LogNone), std::string("NONE"));
    EXPECT_EQ(vel::logLevelName(9), nullptr);
}

TEST_F(Log, ALogBelowTwentyMebibytesIsAppendedToAndOneAtTheLimitStartedAnew)
{
    install(raydeck.resourceFolder);
    constexpr std::uintmax_t limit = 20971520;

    rdtest::writeFile(logPath, "");
    std::filesystem::resize_file(logPath, limit - 1); // sparse
    VEL_LOG(vel::LogInfo) << "appended";
    EXPECT_GT(std::filesystem::file_size(logPath), limit);

    vel::resetLogForTesting();
    std::filesystem::resize_file(logPath, limit);
    const int line = __LINE__ + 1;
    VEL_LOG(vel::LogInfo) << "fresh";
    // The whole file is the one new line: nothing of the old 20 MiB is left.
    ASSERT_LT(std::filesystem::file_size(logPath), limit) << "appended to a log at the limit";
    EXPECT_EQ(logText(), "LogTest.cpp:" + std::to_string(line) + " - 12:34:56.000 INFO:  fresh\n");
}

// Without an installation nothing is written or printed; a file that cannot
// be opened is reported. Either way the next message tries again.
TEST_F(Log, AMissingInstallationOrLogFileIsTriedAgainAtTheNextMessage)
{
    testing::internal::CaptureStderr();
    VEL_LOG(vel::LogError) << "lost";
    EXPECT_EQ(vel::Output2FILE::stream(), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_FALSE(std::filesystem::exists(logPath));

    // A resource folder ending in a separator still holds the log.
    install(raydeck.resourceFolder + "/");
    std::filesystem::create_directory(logPath); // a folder where the file should be
    testing::internal::CaptureStderr();
    VEL_LOG(vel::LogError) << "lost";
#ifdef _WIN32
    const std::string reason = "Permission denied"; // what the C runtime says of a folder
#else
    const std::string reason = "Is a directory";
#endif
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "could not open log file:\nopening log: " + reason + "\n");

    std::filesystem::remove(logPath);
    VEL_LOG(vel::LogError) << "kept";
    EXPECT_NE(logText().find("ERROR:  kept\n"), std::string::npos);
}
