#include <platform/OutputFile.h>
#include "Wide.h"

#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <vector>

namespace platform {

namespace {

constexpr int kMostAttempts = 100;

int errnoFrom(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return ENOENT;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return EEXIST;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT: return EACCES;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
    case ERROR_INVALID_NAME: return EINVAL;
    default: return EIO;
    }
}

// The folder part of path with its separator ("" for a bare name), and the
// rest. Both separators count.
std::pair<std::wstring, std::wstring> splitFolder(const std::wstring& path)
{
    const std::size_t separator = path.find_last_of(L"\\/");
    if (separator == std::wstring::npos)
        return {std::wstring(), path};
    return {path.substr(0, separator + 1), path.substr(separator + 1)};
}

// The path a symbolic link (or another reparse point) leads to; the name
// itself for anything else.
std::wstring finalPath(HANDLE file, const std::wstring& name)
{
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
        return name;
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetFinalPathNameByHandleW(file, buffer.data(), static_cast<DWORD>(buffer.size()),
                                                       FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0)
            return name;
        if (length < buffer.size())
            return std::wstring(buffer.data(), length);
        buffer.resize(length + 1);
    }
}

} // namespace

std::unique_ptr<OutputFile> OutputFile::open(const std::string& utf8Name, const char* inPlaceMode)
{
    const std::wstring name = wide(utf8Name);
    std::wstring destination = name;
    // Opened for writing as a probe: a file that could not be written in
    // place is refused, and a device (NUL, CON, a pipe) is written in place.
    const HANDLE probe = CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe != INVALID_HANDLE_VALUE) {
        const bool disk = GetFileType(probe) == FILE_TYPE_DISK;
        if (disk)
            destination = finalPath(probe, name);
        CloseHandle(probe);
        if (!disk) {
            std::FILE* stream = _wfopen(name.c_str(), wide(inPlaceMode).c_str());
            return stream != nullptr ? adopt(stream) : nullptr;
        }
    } else {
        const DWORD error = GetLastError();
        const DWORD attributes = GetFileAttributesW(name.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            // The C runtime's own answer for a folder.
            std::FILE* stream = _wfopen(name.c_str(), wide(inPlaceMode).c_str());
            return stream != nullptr ? adopt(stream) : nullptr;
        }
        if (error != ERROR_FILE_NOT_FOUND) {
            errno = errnoFrom(error);
            return nullptr;
        }
    }

    const auto [folder, base] = splitFolder(destination);
    std::wstring partial;
    HANDLE handle = INVALID_HANDLE_VALUE;
    for (int attempt = 0; handle == INVALID_HANDLE_VALUE; ++attempt) {
        partial = folder + wide(partialNameFor(narrow(base)));
        handle = CreateFileW(partial.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            if ((error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) || attempt == kMostAttempts) {
                errno = errnoFrom(error);
                return nullptr;
            }
        }
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
    std::FILE* stream = fd >= 0 ? _fdopen(fd, "wb") : nullptr;
    if (stream == nullptr) {
        if (fd >= 0)
            _close(fd); // closes the handle too
        else
            CloseHandle(handle);
        DeleteFileW(partial.c_str());
        errno = EIO;
        return nullptr;
    }
    std::unique_ptr<OutputFile> file(new OutputFile);
    file->stream_ = stream;
    file->partial_ = narrow(partial);
    file->destination_ = narrow(destination);
    return file;
}

int OutputFile::syncToDisk(std::FILE* stream)
{
    if (_commit(_fileno(stream)) != 0) // FlushFileBuffers
        return errno != 0 ? errno : EIO;
    return 0;
}

int OutputFile::moveOver(const std::string& from, const std::string& to)
{
    // A rename within the folder, replacing the old file in one step. (Not
    // ReplaceFileW: where it fails half way, the old file is gone and the
    // new one not in its place.)
    if (!MoveFileExW(wide(from).c_str(), wide(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return errnoFrom(GetLastError());
    return 0;
}

void OutputFile::removeQuietly(const std::string& path)
{
    DeleteFileW(wide(path).c_str());
}

} // namespace platform
