#include <platform/Files.h>
#include "Wide.h"

#include <windows.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <io.h>

namespace platform {

bool isReadableFile(const std::string& path)
{
    // _wfopen refuses directories, so a successful open is a readable file.
    std::FILE* file = _wfopen(wide(path).c_str(), L"rb");
    if (file == nullptr)
        return false;
    std::fclose(file);
    return true;
}

bool isDirectory(const std::string& path)
{
    const DWORD attributes = GetFileAttributesW(wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

namespace {

bool identify(const std::string& path, BY_HANDLE_FILE_INFORMATION& info)
{
    const HANDLE file = CreateFileW(wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const bool known = GetFileInformationByHandle(file, &info) != 0;
    CloseHandle(file);
    return known;
}

} // namespace

bool sameFile(const std::string& first, const std::string& second)
{
    BY_HANDLE_FILE_INFORMATION a{}, b{};
    return identify(first, a) && identify(second, b) && a.dwVolumeSerialNumber == b.dwVolumeSerialNumber
           && a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
}

std::optional<std::uint64_t> fileSize(const std::string& path)
{
    std::FILE* file = _wfopen(wide(path).c_str(), L"rb");
    if (file == nullptr)
        return std::nullopt;
    std::optional<std::uint64_t> size;
    if (_fseeki64(file, 0, SEEK_END) == 0) {
        const __int64 end = _ftelli64(file);
        if (end >= 0)
            size = static_cast<std::uint64_t>(end);
    }
    std::fclose(file);
    return size;
}

std::FILE* openFile(const std::string& path, const char* mode)
{
    return _wfopen(wide(path).c_str(), wide(mode).c_str());
}

std::FILE* openRegularFile(const std::string& path, std::string& whyNot)
{
    std::FILE* stream = _wfopen(wide(path).c_str(), L"rb");
    if (stream == nullptr) {
        // The C runtime says "Permission denied" for a folder.
        const int error = isDirectory(path) ? EISDIR : errno;
        whyNot = std::strerror(error);
        errno = error;
        return nullptr;
    }
    // A device (NUL, CON, COM1) or a pipe.
    if (GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)))) != FILE_TYPE_DISK) {
        std::fclose(stream);
        whyNot = "not a regular file";
        errno = EINVAL;
        return nullptr;
    }
    return stream;
}

bool readStandardInput(std::string& bytes, std::string& whyNot)
{
    // In text mode every "\r\n" would arrive as "\n".
    _setmode(_fileno(stdin), _O_BINARY);
    return readToEnd(stdin, bytes, whyNot);
}

int writeThrough(std::FILE* stream, const char* data, std::size_t size)
{
    errno = 0;
    // The error flag too: a stream may count bytes it could not hand on.
    if (std::fwrite(data, 1, size, stream) == size && !std::ferror(stream))
        return 0;
    return errno != 0 ? errno : EIO;
}

} // namespace platform
