#include "Files.h"

#include <cerrno>
#include <cstring>

namespace platform {

std::filesystem::path pathFromUtf8(std::string_view utf8)
{
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string utf8FromPath(const std::filesystem::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string joinPath(std::string_view folder, std::string_view name)
{
    std::string path;
    path.reserve(folder.size() + 1 + name.size());
    path += folder;
    path += kPathSeparator;
    path += name;
    return path;
}

bool readToEnd(std::FILE* stream, std::string& bytes, std::string& whyNot)
{
    char buffer[1 << 16];
    errno = 0;
    for (;;) {
        const std::size_t n = std::fread(buffer, 1, sizeof buffer, stream);
        bytes.append(buffer, n);
        if (n < sizeof buffer)
            break;
    }
    if (std::ferror(stream)) {
        whyNot = std::strerror(errno != 0 ? errno : EIO);
        return false;
    }
    return true;
}

} // namespace platform
