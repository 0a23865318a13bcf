#include <tests/support/Sandbox.h>

#include <platform/Services.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

platform::Processes& processes()
{
    return *platform::services().processes;
}

// The launched program runs on its own; give it ample time to write.
std::string awaitFile(const std::string& path)
{
    for (int i = 0; i < 1000 && !std::filesystem::exists(path); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return rdtest::readFile(path);
}

// True when this process has no child at all, zombie or running.
bool noChildren()
{
    errno = 0;
    return ::waitpid(-1, nullptr, WNOHANG) == -1 && errno == ECHILD;
}

} // namespace

TEST(Processes, ALaunchedProgramGetsNoArgumentsTheEnvironmentAndNoHandles)
{
    rdtest::TempDir dir;
    const std::string marker = dir / "marker";
    const int inheritable = ::open(dir.path().c_str(), O_RDONLY); // no close-on-exec
    ASSERT_GE(inheritable, 0);
    const rdtest::ScopedEnv markerVariable("RD_LAUNCH_MARKER", marker);
    const rdtest::ScopedEnv value("RD_LAUNCH_VALUE", "inherited");
    const rdtest::ScopedEnv fd("RD_LAUNCH_FD", std::to_string(inheritable));
    const rdtest::ScopedEnv host("RD_LAUNCH_HOST_PID", std::to_string(::getpid()));

    ASSERT_TRUE(processes().launch(RD_LAUNCH_PROBE));
    EXPECT_TRUE(noChildren());
    EXPECT_EQ(awaitFile(marker), "argc=1\nargv0=" RD_LAUNCH_PROBE "\nvalue=inherited\nfd=closed\nparent=other\n");
    ::close(inheritable);
    EXPECT_EQ(processes().currentId(), static_cast<std::uint32_t>(::getpid()));
}

TEST(Processes, AProgramThatCannotStartIsAFailureAndLeavesNoChild)
{
    rdtest::TempDir dir;
    const std::string notExecutable = dir / "plain";
    rdtest::writeFile(notExecutable, "#!/bin/sh\n");
    EXPECT_FALSE(processes().launch(dir / "missing"));
    EXPECT_FALSE(processes().launch(notExecutable));
    EXPECT_FALSE(processes().launch(dir.path().string()));
    EXPECT_FALSE(processes().launch(""));
    EXPECT_TRUE(noChildren());
}
