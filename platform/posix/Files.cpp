#include <platform/Files.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

bool isReadableFile(const std::string& path)
{
    // Opening a directory for reading succeeds on POSIX, so test the type too.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info{};
    const bool regular = ::fstat(fd, &info) == 0 && !S_ISDIR(info.st_mode);
    ::close(fd);
    return regular;
}

bool isDirectory(const std::string& path)
{
    struct stat info{};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool sameFile(const std::string& first, const std::string& second)
{
    struct stat a{}, b{};
    return ::stat(first.c_str(), &a) == 0 && ::stat(second.c_str(), &b) == 0 && a.st_dev == b.st_dev
           && a.st_ino == b.st_ino;
}

std::optional<std::uint64_t> fileSize(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat info{};
    const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    ::close(fd);
    if (!regular)
        return std::nullopt;
    return static_cast<std::uint64_t>(info.st_size);
}

std::FILE* openFile(const std::string& path, const char* mode)
{
    return std::fopen(path.c_str(), mode);
}

std::FILE* openRegularFile(const std::string& path, std::string& whyNot)
{
    const auto refuse = [&](int error, const char* reason) -> std::FILE* {
        whyNot = reason != nullptr ? reason : std::strerror(error);
        errno = error;
        return nullptr;
    };
    // Without O_NONBLOCK, opening a FIFO would wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return refuse(errno, nullptr);
    struct stat info{};
    int error = 0;
    const char* reason = nullptr;
    if (::fstat(fd, &info) != 0)
        error = errno;
    else if (S_ISDIR(info.st_mode))
        error = EISDIR;
    else if (!S_ISREG(info.st_mode)) {
        error = EINVAL;
        reason = "not a regular file";
    } else if (::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)
        error = errno;
    std::FILE* stream = error == 0 ? ::fdopen(fd, "rb") : nullptr;
    if (stream == nullptr) {
        if (error == 0)
            error = errno;
        ::close(fd);
        return refuse(error, reason);
    }
    return stream;
}

bool readStandardInput(std::string& bytes, std::string& whyNot)
{
    return readToEnd(stdin, bytes, whyNot);
}

int writeThrough(std::FILE* stream, const char* data, std::size_t size)
{
    const int file = ::fileno(stream);
    if (file < 0) { // a stream of the C library's own making, without a file
        errno = 0;
        // The count, and the stream's error flag as well: how a custom
        // stream's write function reports a failure is up to its maker.
        if (std::fwrite(data, 1, size, stream) == size && !std::ferror(stream))
            return 0;
        return errno != 0 ? errno : EIO;
    }
    while (size != 0) {
        const ssize_t written = ::write(file, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno != 0 ? errno : EIO;
        }
        if (written == 0)
            return EIO;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return 0;
}

} // namespace platform
