#include <platform/ProcessInfo.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <string>
#include <vector>

namespace platform {

namespace {

// A pid_t for the id, or 0 when it cannot be one (0 and negative pids address
// process groups in kill, which must never happen here).
pid_t asPid(std::uint64_t processId)
{
    if (processId == 0 || processId > static_cast<std::uint64_t>(INT_MAX))
        return 0;
    return static_cast<pid_t>(processId);
}

// A process that has ended but whose parent has not collected it yet still
// answers kill(pid, 0); its state in /proc says it is gone ("Z"). Where
// /proc cannot tell, the process counts as running.
bool isZombie(pid_t pid)
{
#ifdef __linux__
    const std::string path = "/proc/" + std::to_string(pid) + "/stat";
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char text[512];
    const ssize_t size = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    if (size <= 0)
        return false;
    // "<pid> (<name>) <state> ...": the name may hold blanks and parentheses.
    const std::string stat(text, static_cast<std::size_t>(size));
    const std::size_t close = stat.rfind(')');
    return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] == 'Z';
#else
    (void)pid;
    return false;
#endif
}

} // namespace

std::string executablePath()
{
    std::vector<char> buffer(4096);
    for (;;) {
        const ssize_t size = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (size < 0)
            return {};
        if (static_cast<std::size_t>(size) < buffer.size())
            return std::string(buffer.data(), static_cast<std::size_t>(size));
        buffer.resize(buffer.size() * 2);
    }
}

bool processExists(std::uint64_t processId)
{
    const pid_t pid = asPid(processId);
    if (pid == 0)
        return false;
    // EPERM: it exists but belongs to someone else.
    if (::kill(pid, 0) != 0 && errno != EPERM)
        return false;
    return !isZombie(pid);
}

bool killProcess(std::uint64_t processId)
{
    const pid_t pid = asPid(processId);
    return pid != 0 && ::kill(pid, SIGKILL) == 0;
}

bool stopProcess(std::uint64_t processId)
{
    const pid_t pid = asPid(processId);
    return pid != 0 && ::kill(pid, SIGSTOP) == 0;
}

bool resumeProcess(std::uint64_t processId)
{
    const pid_t pid = asPid(processId);
    return pid != 0 && ::kill(pid, SIGCONT) == 0;
}

void releaseStandardStreams()
{
    const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (null < 0)
        return;
    for (int fd = 0; fd <= 2; ++fd)
        ::dup2(null, fd); // dup2 leaves the new descriptor without close-on-exec
    if (null > 2)
        ::close(null);
}

void returnFreedMemoryPromptly()
{
#if defined(__GLIBC__)
    // A fixed threshold also keeps blocks from 128 KiB on in mappings of
    // their own, which go back to the system when they are freed.
    ::mallopt(M_TRIM_THRESHOLD, 128 * 1024);
#endif
}

} // namespace platform
