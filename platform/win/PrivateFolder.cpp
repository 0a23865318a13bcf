#include <platform/PrivateFolder.h>
#include "Wide.h"

#include <windows.h>

#include <cerrno>
#include <fcntl.h>
#include <io.h>

namespace platform {

std::string privateRuntimeFolder(std::string_view name, std::string* whyNot)
{
    wchar_t temp[MAX_PATH + 1];
    const DWORD size = GetTempPathW(MAX_PATH + 1, temp);
    if (size == 0 || size > MAX_PATH) {
        if (whyNot != nullptr)
            *whyNot = "no folder for temporary files";
        return {};
    }
    // GetTempPathW ends the folder with a backslash.
    const std::wstring folder = std::wstring(temp, size) + wide(name);
    if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        if (whyNot != nullptr)
            *whyNot = "cannot create " + narrow(folder);
        return {};
    }
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        if (whyNot != nullptr)
            *whyNot = narrow(folder) + " is not a folder";
        return {};
    }
    return narrow(folder);
}

std::FILE* createNewFile(const std::string& path)
{
    HANDLE file = CreateFileW(wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        errno = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ? EEXIST
                : error == ERROR_ACCESS_DENIED                                ? EACCES
                                                                              : EIO;
        return nullptr;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_WRONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(file);
        DeleteFileW(wide(path).c_str());
        errno = EIO;
        return nullptr;
    }
    std::FILE* stream = _fdopen(fd, "wb");
    if (stream == nullptr) {
        _close(fd); // closes the handle too
        DeleteFileW(wide(path).c_str());
    }
    return stream;
}

} // namespace platform
