#include <platform/OutputFile.h>

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr int kMostLinks = 40; // as the kernel's own limit before ELOOP
constexpr int kMostAttempts = 100;

// The folder part of path with its slash ("" for a bare name), and the rest.
std::pair<std::string, std::string> splitFolder(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return {std::string(), path};
    return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

// Follows the symbolic links that name is, to what they point at (which may
// not exist yet). False with errno set when a link cannot be read.
bool followLinks(std::string& name, struct stat& info, bool& exists)
{
    for (int hops = 0;; ++hops) {
        if (::lstat(name.c_str(), &info) != 0) {
            exists = false;
            return errno == ENOENT;
        }
        if (!S_ISLNK(info.st_mode)) {
            exists = true;
            return true;
        }
        if (hops == kMostLinks) {
            errno = ELOOP;
            return false;
        }
        std::string target(PATH_MAX, '\0');
        const ssize_t length = ::readlink(name.c_str(), target.data(), target.size());
        if (length < 0)
            return false;
        if (static_cast<std::size_t>(length) == target.size()) {
            errno = ENAMETOOLONG;
            return false;
        }
        target.resize(static_cast<std::size_t>(length));
        name = target.front() == '/' ? target : splitFolder(name).first + target;
    }
}

} // namespace

std::unique_ptr<OutputFile> OutputFile::open(const std::string& utf8Name, const char* inPlaceMode)
{
    std::string destination = utf8Name;
    struct stat info{};
    bool exists = false;
    if (!followLinks(destination, info, exists))
        return nullptr;
    if (exists && !S_ISREG(info.st_mode)) {
        std::FILE* stream = std::fopen(utf8Name.c_str(), inPlaceMode);
        return stream != nullptr ? adopt(stream) : nullptr;
    }
    if (exists) {
        // Refused when it could not be written in place. Opening a regular
        // file for writing without O_TRUNC changes nothing.
        const int probe = ::open(destination.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (probe < 0)
            return nullptr;
        const bool known = ::fstat(probe, &info) == 0;
        ::close(probe);
        if (!known)
            return nullptr;
    }

    const auto [folder, base] = splitFolder(destination);
    std::string partial;
    int fd = -1;
    for (int attempt = 0; fd < 0; ++attempt) {
        partial = folder + partialNameFor(base);
        // Private until it has the destination's permissions; a new file
        // gets what fopen would give it.
        fd = ::open(partial.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, exists ? 0600 : 0666);
        if (fd < 0 && (errno != EEXIST || attempt == kMostAttempts))
            return nullptr;
    }
    if (exists) {
        // Best effort: only root may give a file away, and some file systems
        // keep no permissions. The mode goes last, as a change of owner
        // clears the set-id bits.
        if (info.st_uid != ::geteuid() || info.st_gid != ::getegid())
            (void)!::fchown(fd, info.st_uid, info.st_gid);
        (void)!::fchmod(fd, info.st_mode & 07777);
    }
    std::FILE* stream = ::fdopen(fd, "wb");
    if (stream == nullptr) {
        const int saved = errno;
        ::close(fd);
        ::unlink(partial.c_str());
        errno = saved;
        return nullptr;
    }
    std::unique_ptr<OutputFile> file(new OutputFile);
    file->stream_ = stream;
    file->partial_ = std::move(partial);
    file->destination_ = std::move(destination);
    return file;
}

int OutputFile::syncToDisk(std::FILE* stream)
{
    // Without this a crash soon after the rename could leave the new name
    // with no content on file systems that write data late. EINVAL: a file
    // system that cannot sync (and needs not).
    if (::fsync(::fileno(stream)) != 0 && errno != EINVAL)
        return errno;
    return 0;
}

int OutputFile::moveOver(const std::string& from, const std::string& to)
{
    if (::rename(from.c_str(), to.c_str()) != 0)
        return errno;
    // The rename itself to the disk; best effort, the file is in place.
    const std::string folder = splitFolder(to).first;
    const int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        (void)::fsync(dir);
        ::close(dir);
    }
    return 0;
}

void OutputFile::removeQuietly(const std::string& path)
{
    ::unlink(path.c_str());
}

} // namespace platform
