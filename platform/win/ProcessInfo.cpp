#include <platform/ProcessInfo.h>
#include "Wide.h"

#include <windows.h>

#include <vector>

namespace platform {

namespace {

// A process id as OpenProcess takes it, or 0 when it cannot be one.
DWORD asProcessId(std::uint64_t processId)
{
    return processId == 0 || processId > 0xFFFFFFFFull ? 0 : static_cast<DWORD>(processId);
}

} // namespace

std::string executablePath()
{
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD size = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (size == 0)
            return {};
        if (size < buffer.size())
            return narrow(std::wstring_view(buffer.data(), size));
        buffer.resize(buffer.size() * 2);
    }
}

bool processExists(std::uint64_t processId)
{
    const DWORD id = asProcessId(processId);
    if (id == 0)
        return false;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
    if (process == nullptr)
        return GetLastError() == ERROR_ACCESS_DENIED; // it exists, but is not ours to query
    DWORD exitCode = 0;
    const bool running = GetExitCodeProcess(process, &exitCode) && exitCode == STILL_ACTIVE;
    CloseHandle(process);
    return running;
}

bool killProcess(std::uint64_t processId)
{
    const DWORD id = asProcessId(processId);
    if (id == 0)
        return false;
    HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, id);
    if (process == nullptr)
        return false;
    const bool ended = TerminateProcess(process, 1) != 0;
    CloseHandle(process);
    return ended;
}

bool stopProcess(std::uint64_t)
{
    return false;
}

bool resumeProcess(std::uint64_t)
{
    return false;
}

void releaseStandardStreams() {}

void returnFreedMemoryPromptly() {}

} // namespace platform
