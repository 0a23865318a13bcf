#include "FileBytes.h"

#include <cstdio>
#include <memory>

#include <platform/Files.h>

#if defined(__unix__) || defined(__APPLE__)
#include <sys/mman.h>
#include <sys/stat.h>
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
    if (path == "-")
        return platform::readStandardInput(copy_, error);
    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    const std::unique_ptr<std::FILE, Closer> file(platform::openRegularFile(path, error));
    if (!file)
        return false;
#ifdef RD_MAP_FILES
    struct stat info;
    if (::fstat(::fileno(file.get()), &info) == 0 && info.st_size > 0) {
        int flags = MAP_PRIVATE;
#ifdef MAP_POPULATE
        flags |= MAP_POPULATE; // the whole file is read anyway: map it at once
#endif
        void* map = ::mmap(nullptr, static_cast<std::size_t>(info.st_size), PROT_READ, flags, ::fileno(file.get()), 0);
        if (map != MAP_FAILED) {
            map_ = map;
            size_ = static_cast<std::size_t>(info.st_size);
            return true;
        }
    }
#endif
    // Empty, or not mappable: read it.
    return platform::readToEnd(file.get(), copy_, error);
}

std::string_view FileBytes::bytes() const
{
    return map_ ? std::string_view(static_cast<const char*>(map_), size_) : std::string_view(copy_);
}

} // namespace vel
