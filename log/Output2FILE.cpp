#include "Output2FILE.h"

#include <platform/Files.h>

#include <cerrno>

namespace vel {

namespace {

// Never closed by the add-in: it stays open until the process ends, and the
// runtime flushes and closes it then.
std::FILE*& logFile()
{
    static std::FILE* file = nullptr;
    return file;
}

Output2FILE::FolderFinder& folderFinder()
{
    static Output2FILE::FolderFinder finder = nullptr;
    return finder;
}

std::FILE* openLogFile()
{
    const Output2FILE::FolderFinder finder = folderFinder();
    if (finder == nullptr)
        return nullptr;
    const std::string folder = finder();
    if (folder.empty())
        return nullptr;
    const std::string path = platform::joinPath(folder, kLogFileName);
    const std::uint64_t size = platform::fileSize(path).value_or(0);
    std::FILE* file = platform::openFile(path, size < kLogRestartBytes ? "a" : "w");
    if (file == nullptr) {
        const int reason = errno;
        std::fprintf(stderr, "could not open log file:\n");
        std::fflush(stderr);
        errno = reason;
        std::perror("opening log");
    }
    return file;
}

} // namespace

void Output2FILE::setFolderFinder(FolderFinder finder)
{
    folderFinder() = finder;
}

std::FILE* Output2FILE::stream()
{
    std::FILE*& file = logFile();
    if (file == nullptr)
        file = openLogFile();
    return file;
}

void Output2FILE::output(const std::string& line)
{
    std::FILE* file = stream();
    if (file == nullptr)
        return;
    std::fprintf(file, "%s", line.c_str());
    std::fflush(file);
}

void Output2FILE::closeForTesting()
{
    std::FILE*& file = logFile();
    if (file != nullptr)
        std::fclose(file);
    file = nullptr;
}

} // namespace vel
