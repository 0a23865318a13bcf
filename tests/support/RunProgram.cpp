#include "RunProgram.h"

#include "Sandbox.h"

#include <platform/ProcessInfo.h>

#ifdef _WIN32
#include <platform/Utf16.h>
#include <windows.h>
#include <tlhelp32.h>
#else
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace rdtest {

#ifdef _WIN32

std::uint64_t currentProcessId()
{
    return GetCurrentProcessId();
}

std::uint64_t anotherRunningProcessId()
{
    const DWORD self = GetCurrentProcessId();
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return 0;
    std::uint64_t parent = 0;
    std::uint64_t other = 0;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (entry.th32ProcessID == self)
            parent = entry.th32ParentProcessID;
        else if (other == 0 && entry.th32ProcessID != 0 && platform::processExists(entry.th32ProcessID))
            other = entry.th32ProcessID;
    }
    CloseHandle(snapshot);
    return parent != 0 && platform::processExists(parent) ? parent : other;
}

namespace {

std::wstring wide(std::string_view utf8)
{
    const std::u16string text = platform::utf8ToUtf16(utf8);
    return std::wstring(text.begin(), text.end());
}

// The command line that hands args to a Windows program exactly, by the
// quoting rules its C runtime reads them with: each argument with blanks,
// tabs or quotes in double quotes, quotes and the backslashes before them
// escaped with backslashes.
std::string windowsCommandLine(const std::vector<std::string>& args)
{
    std::string line;
    for (const std::string& arg : args) {
        if (!line.empty())
            line += ' ';
        if (!arg.empty() && arg.find_first_of(" \t\n\v\"") == std::string::npos) {
            line += arg;
            continue;
        }
        line += '"';
        std::size_t backslashes = 0;
        for (const char c : arg) {
            if (c == '\\') {
                ++backslashes;
                continue;
            }
            // Backslashes count double before a quote, which is escaped too.
            line.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
            backslashes = 0;
            line += c;
        }
        line.append(backslashes * 2, '\\'); // before the closing quote
        line += '"';
    }
    return line;
}

HANDLE inheritableFile(const std::string& path, DWORD access, DWORD disposition)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return CreateFileW(wide(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, disposition,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

} // namespace

ProgramRun runProgram(const std::string& program, const std::vector<std::string>& args, const std::string& folder,
                      const ProgramStreams& streams)
{
    TempDir capture;
    const std::string outPath = streams.output.empty() ? capture / "out" : streams.output, errPath = capture / "err";
    ProgramRun run;
    {
        HANDLE in = inheritableFile(streams.input.empty() ? "NUL" : streams.input, GENERIC_READ, OPEN_EXISTING);
        HANDLE out = inheritableFile(outPath, GENERIC_WRITE, CREATE_ALWAYS);
        HANDLE err = inheritableFile(errPath, GENERIC_WRITE, CREATE_ALWAYS);
        std::vector<std::string> all{program};
        all.insert(all.end(), args.begin(), args.end());
        std::wstring commandLine = wide(windowsCommandLine(all));
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = in;
        startup.hStdOutput = out;
        startup.hStdError = err;
        PROCESS_INFORMATION process{};
        const std::wstring directory = wide(folder);
        const BOOL started = CreateProcessW(wide(program).c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0,
                                            nullptr, folder.empty() ? nullptr : directory.c_str(), &startup,
                                            &process);
        const DWORD startError = started ? 0 : GetLastError();
        for (HANDLE h : {in, out, err})
            CloseHandle(h);
        if (!started) {
            run.err = "CreateProcessW failed: error " + std::to_string(startError) + "\n";
            return run;
        }
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code = 0;
        if (GetExitCodeProcess(process.hProcess, &code))
            run.status = static_cast<int>(code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    run.out = streams.output.empty() ? readFile(outPath) : std::string();
    run.err = readTextFile(errPath);
    return run;
}

#else

std::uint64_t currentProcessId()
{
    return static_cast<std::uint64_t>(::getpid());
}

std::uint64_t anotherRunningProcessId()
{
    return static_cast<std::uint64_t>(::getppid());
}

ProgramRun runProgram(const std::string& program, const std::vector<std::string>& args, const std::string& folder,
                      const ProgramStreams& streams)
{
    TempDir capture;
    const std::string outPath = streams.output.empty() ? capture / "out" : streams.output, errPath = capture / "err";
    const std::string inPath = streams.input.empty() ? "/dev/null" : streams.input;
    std::vector<std::string> all{program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    // A close-on-exec pipe stays silent when exec succeeds and carries a byte
    // when it does not.
    int failed[2];
    ProgramRun run;
    if (::pipe2(failed, O_CLOEXEC) != 0)
        return run;
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(failed[0]);
        ::close(failed[1]);
        return run;
    }
    if (child == 0) {
        const int in = ::open(inPath.c_str(), O_RDONLY);
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (in >= 0 && out >= 0 && err >= 0 && ::dup2(in, 0) >= 0 && ::dup2(out, 1) >= 0 && ::dup2(err, 2) >= 0
            && (folder.empty() || ::chdir(folder.c_str()) == 0))
            ::execv(argv[0], argv.data());
        [[maybe_unused]] const ssize_t written = ::write(failed[1], "x", 1);
        ::_exit(127);
    }
    ::close(failed[1]);
    char byte = 0;
    const bool started = ::read(failed[0], &byte, 1) == 0;
    ::close(failed[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
    }
    if (started && WIFEXITED(status))
        run.status = WEXITSTATUS(status);
    run.out = streams.output.empty() ? readFile(outPath) : std::string();
    run.err = readFile(errPath);
    return run;
}

#endif

} // namespace rdtest
