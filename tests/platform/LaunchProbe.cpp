// Started by the launch tests. Writes what it sees into the file named by
// RD_LAUNCH_MARKER, atomically (written aside, then renamed). When
// RD_LAUNCH_HOLD names a file, it then keeps running until that file exists
// (at most 30 s), so that a test can look at it while it runs.
#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

int main(int argc, char** argv)
{
    const char* marker = std::getenv("RD_LAUNCH_MARKER");
    if (marker == nullptr)
        return 2;
    const char* value = std::getenv("RD_LAUNCH_VALUE");

    std::string text = "argc=" + std::to_string(argc) + "\n";
    text += "argv0=" + std::string(argv[0]) + "\n";
    text += "value=" + std::string(value != nullptr ? value : "(unset)") + "\n";
#ifndef _WIN32
    const char* fd = std::getenv("RD_LAUNCH_FD");
    const char* host = std::getenv("RD_LAUNCH_HOST_PID");
    if (fd != nullptr)
        text += std::string("fd=") + (fcntl(std::atoi(fd), F_GETFD) == -1 ? "closed" : "open") + "\n";
    if (host != nullptr)
        text += std::string("parent=") + (getppid() == std::atoi(host) ? "host" : "other") + "\n";
#endif

    const std::string aside = std::string(marker) + ".part";
    std::FILE* out = std::fopen(aside.c_str(), "w");
    if (out == nullptr)
        return 3;
    std::fputs(text.c_str(), out);
    std::fclose(out);
    if (std::rename(aside.c_str(), marker) != 0)
        return 4;

    if (const char* hold = std::getenv("RD_LAUNCH_HOLD")) {
        for (int i = 0; i < 3000 && !std::filesystem::exists(hold); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return 0;
}
