#include "FileBytes.h"

#include <cerrno>
#include <cstring>

#include "SceneReader.h"

#if defined(__unix__) || defined(__APPLE__)
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#define RD_MAP_FILES 1
#endif

namespace vel {

FileBytes::~FileBytes()
{
    release();
}

void FileBytes::release()
{
#ifdef RD_MAP_FILES
    if (map_)
        ::munmap(map_, size_);
#endif
    map_ = nullptr;
    size_ = 0;
    copy_.clear();
}

bool FileBytes::open(const std::string& path, std::string& error)
{
    release();
#ifdef RD_MAP_FILES
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    struct stat info;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
        int flags = MAP_PRIVATE;
#ifdef MAP_POPULATE
        flags |= MAP_POPULATE; // the whole file is read anyway: map it at once
#endif
        void* map = ::mmap(nullptr, static_cast<std::size_t>(info.st_size), PROT_READ, flags, fd, 0);
        if (map != MAP_FAILED) {
            map_ = map;
            size_ = static_cast<std::size_t>(info.st_size);
            ::close(fd);
            return true;
        }
    }
    ::close(fd);
#endif
    // Not a plain file, empty, or not mappable: read it.
    return loadFile(path, copy_, error);
}

std::string_view FileBytes::bytes() const
{
    return map_ ? std::string_view(static_cast<const char*>(map_), size_) : std::string_view(copy_);
}

} // namespace vel
