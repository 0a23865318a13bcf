#include <platform/Native.h>
#include "Wide.h"

#include <windows.h>

namespace platform {

namespace {

class WinProcesses final : public Processes {
public:
    bool launch(const std::string& path) override
    {
        const std::wstring application = wide(path);
        // The command line is the program's own name in quotes. Without one,
        // Windows passes the application name as the command line unquoted,
        // and a program installed under "C:\Program Files\..." would find its
        // path split into arguments ("C:\Program", "Files\..."). A Windows
        // path cannot contain a quote, so quoting is enough.
        std::wstring commandLine = L"\"" + application + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        const BOOL started = CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                                            nullptr, nullptr, &startup, &process);
        if (!started)
            return false;
        // The launched program is not tracked.
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return true;
    }

    std::uint32_t currentId() override { return GetCurrentProcessId(); }
};

#ifdef _WIN64
static_assert(sizeof(STARTUPINFOW) == 104);
#endif

} // namespace

Processes& native::processes()
{
    static WinProcesses instance;
    return instance;
}

} // namespace platform
