#include <platform/Native.h>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace platform {

namespace {

// Only async-signal-safe calls from here on: the host may have threads, and
// after fork only the forking thread exists in the child.
void markDescriptorsCloseOnExec(int limit)
{
#ifdef CLOSE_RANGE_CLOEXEC
    if (::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) == 0)
        return;
#endif
    for (int fd = 3; fd < limit; ++fd)
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
}

[[noreturn]] void reportAndExit(int errorPipe, int status)
{
    const int error = errno;
    [[maybe_unused]] const ssize_t written = ::write(errorPipe, &error, sizeof error);
    ::_exit(status);
}

class PosixProcesses final : public Processes {
public:
    // A double fork: the intermediate child exits at once and is reaped here,
    // so the program becomes the child of init (or a subreaper) and never of
    // the host. A close-on-exec pipe tells whether exec succeeded: it closes
    // without data when it did, and carries errno when it did not.
    bool launch(const std::string& path) override
    {
        if (path.empty())
            return false;
        std::string program = path;
        char* argv[] = {program.data(), nullptr};
        const long openMax = ::sysconf(_SC_OPEN_MAX);
        const int limit = openMax > 0 && openMax < 65536 ? static_cast<int>(openMax) : 65536;

        int errorPipe[2];
        if (::pipe2(errorPipe, O_CLOEXEC) != 0)
            return false;

        const pid_t middle = ::fork();
        if (middle < 0) {
            ::close(errorPipe[0]);
            ::close(errorPipe[1]);
            return false;
        }
        if (middle == 0) {
            ::close(errorPipe[0]);
            const pid_t programPid = ::fork();
            if (programPid < 0)
                reportAndExit(errorPipe[1], 1);
            if (programPid > 0)
                ::_exit(0);

            // The program: a session of its own (the host's terminal signals
            // do not reach it), default signal handling and an empty signal
            // mask whatever the host set, no descriptors beyond 0, 1 and 2.
            ::setsid();
            struct sigaction defaults{};
            defaults.sa_handler = SIG_DFL;
            sigemptyset(&defaults.sa_mask);
            for (int signal = 1; signal < NSIG; ++signal)
                ::sigaction(signal, &defaults, nullptr); // fails harmlessly for KILL, STOP
            sigset_t none;
            sigemptyset(&none);
            ::sigprocmask(SIG_SETMASK, &none, nullptr);
            markDescriptorsCloseOnExec(limit);
            ::execve(argv[0], argv, environ);
            reportAndExit(errorPipe[1], 127);
        }

        ::close(errorPipe[1]);
        int status = 0;
        while (::waitpid(middle, &status, 0) < 0 && errno == EINTR) {
        }
        int childError = 0;
        ssize_t got = 0;
        while ((got = ::read(errorPipe[0], &childError, sizeof childError)) < 0 && errno == EINTR) {
        }
        ::close(errorPipe[0]);
        return got == 0;
    }

    std::uint32_t currentId() override { return static_cast<std::uint32_t>(::getpid()); }
};

} // namespace

Processes& native::processes()
{
    static PosixProcesses instance;
    return instance;
}

} // namespace platform
