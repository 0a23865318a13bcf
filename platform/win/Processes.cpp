#include "Native.h"
#include "Wide.h"

#include <windows.h>

namespace platform {

namespace {

class WinProcesses final : public Processes {
public:
    bool launch(const std::string& path) override
    {
        const std::wstring application = wide(path);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        const BOOL started = CreateProcessW(application.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr,
                                            nullptr, &startup, &process);
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
