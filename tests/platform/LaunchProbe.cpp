// Started by the launch tests. Writes what it sees into the file named by
// RD_LAUNCH_MARKER, atomically (written aside, then renamed).
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    const char* marker = std::getenv("RD_LAUNCH_MARKER");
    if (marker == nullptr)
        return 2;
    const char* value = std::getenv("RD_LAUNCH_VALUE");
    const char* fd = std::getenv("RD_LAUNCH_FD");
    const char* host = std::getenv("RD_LAUNCH_HOST_PID");

    std::string text = "argc=" + std::to_string(argc) + "\n";
    text += "argv0=" + std::string(argv[0]) + "\n";
    text += "value=" + std::string(value != nullptr ? value : "(unset)") + "\n";
    if (fd != nullptr)
        text += std::string("fd=") + (fcntl(std::atoi(fd), F_GETFD) == -1 ? "closed" : "open") + "\n";
    if (host != nullptr)
        text += std::string("parent=") + (getppid() == std::atoi(host) ? "host" : "other") + "\n";

    const std::string aside = std::string(marker) + ".part";
    std::FILE* out = std::fopen(aside.c_str(), "w");
    if (out == nullptr)
        return 3;
    std::fputs(text.c_str(), out);
    std::fclose(out);
    return std::rename(aside.c_str(), marker) == 0 ? 0 : 4;
}
