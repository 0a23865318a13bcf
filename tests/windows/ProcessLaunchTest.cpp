// Launching a program with CreateProcessW: what the program gets (its own
// path as its only argument, even under a folder with blanks; the
// environment; no handle of ours), and that the launcher keeps no handle of
// the program.

#include <platform/Services.h>
#include <tests/support/Sandbox.h>

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <thread>

namespace fs = std::filesystem;

namespace {

platform::Processes& processes()
{
    return *platform::services().processes;
}

DWORD handleCount()
{
    DWORD count = 0;
    EXPECT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &count));
    return count;
}

// The launched program runs on its own; give it ample time to write.
std::string awaitFile(const std::string& path)
{
    for (int i = 0; i < 1000 && !fs::exists(platform::pathFromUtf8(path)); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return rdtest::readTextFile(path);
}

// The probe as an installed program would lie, under a folder with blanks.
class ProcessLaunch : public testing::Test {
protected:
    ProcessLaunch()
    {
        fs::create_directories(platform::pathFromUtf8(dir / "Program Files/Veltor/RayDeck 9/bin"));
        fs::copy_file(RD_LAUNCH_PROBE, platform::pathFromUtf8(program));
    }

    rdtest::TempDir dir;
    std::string program = dir / "Program Files/Veltor/RayDeck 9/bin/raydeck.exe";
    std::string marker = dir / "marker";
    rdtest::ScopedEnv markerVariable{"RD_LAUNCH_MARKER", marker};
    rdtest::ScopedEnv value{"RD_LAUNCH_VALUE", "inherited"};
};

} // namespace

TEST_F(ProcessLaunch, TheProgramGetsItsWholePathAsItsOnlyArgumentAndTheEnvironment)
{
    ASSERT_TRUE(processes().launch(program));
    EXPECT_EQ(awaitFile(marker), "argc=1\nargv0=" + program + "\nvalue=inherited\n");
    EXPECT_EQ(processes().currentId(), GetCurrentProcessId());
}

TEST_F(ProcessLaunch, NoHandleIsPassedToTheProgramAndNoneIsKept)
{
    const std::string release = dir / "release";
    const rdtest::ScopedEnv hold("RD_LAUNCH_HOLD", release);
    const DWORD before = handleCount();

    // An inheritable pipe: had the program inherited its write end, the pipe
    // would stay whole while the program runs.
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, &inheritable, 0));

    ASSERT_TRUE(processes().launch(program));
    awaitFile(marker); // running now, and waiting for the release
    CloseHandle(writeEnd);
    DWORD available = 0;
    EXPECT_FALSE(PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BROKEN_PIPE));
    CloseHandle(readEnd);
    rdtest::writeFile(release, "");

    // The process and thread handles were closed at once.
    EXPECT_EQ(handleCount(), before);
}

TEST_F(ProcessLaunch, WhatCannotBeStartedIsAFailureThatKeepsNoHandle)
{
    const std::string text = dir / "Program Files/plain.exe";
    rdtest::writeFile(text, "not a program\n");
    const DWORD before = handleCount();
    EXPECT_FALSE(processes().launch(dir / "Program Files/missing.exe"));
    EXPECT_FALSE(processes().launch(text));
    EXPECT_FALSE(processes().launch(dir / "Program Files"));
    EXPECT_FALSE(processes().launch(""));
    EXPECT_EQ(handleCount(), before);
    EXPECT_FALSE(fs::exists(platform::pathFromUtf8(marker)));
}
