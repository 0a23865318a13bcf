#include <platform/PrivateFolder.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

std::string privateRuntimeFolder(std::string_view name, std::string* whyNot)
{
    const auto refuse = [&](const std::string& reason) {
        if (whyNot != nullptr)
            *whyNot = reason;
        return std::string();
    };
    std::string folder;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/')
        folder = std::string(runtime) + "/" + std::string(name);
    else
        folder = "/tmp/" + std::string(name) + "-" + std::to_string(::getuid());

    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return refuse("cannot create " + folder + ": " + std::strerror(errno));
    struct stat info{};
    if (::lstat(folder.c_str(), &info) != 0)
        return refuse("cannot examine " + folder + ": " + std::strerror(errno));
    if (!S_ISDIR(info.st_mode))
        return refuse(folder + " is not a directory");
    if (info.st_uid != ::getuid())
        return refuse(folder + " belongs to another user");
    if ((info.st_mode & 077) != 0)
        return refuse(folder + " is open to other users");
    return folder;
}

std::FILE* createNewFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return nullptr;
    std::FILE* file = ::fdopen(fd, "wb");
    if (file == nullptr) {
        const int error = errno;
        ::close(fd);
        ::unlink(path.c_str());
        errno = error;
    }
    return file;
}

} // namespace platform
