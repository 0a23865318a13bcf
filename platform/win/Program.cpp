#include <platform/Program.h>
#include "Wide.h"

#include <windows.h>
#include <shellapi.h>

namespace platform {

std::vector<std::string> commandLineArguments(int argc, char** argv)
{
    int count = 0;
    LPWSTR* wideArgs = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wideArgs == nullptr)
        return std::vector<std::string>(argv, argv + argc);
    std::vector<std::string> args;
    args.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        args.push_back(narrow(wideArgs[i]));
    LocalFree(wideArgs);
    return args;
}

} // namespace platform
