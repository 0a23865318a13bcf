#include <platform/SceneFileOpen.h>

#include <cerrno>
#include <unistd.h>

namespace platform {

std::FILE* takeOverStandardOutput()
{
    // What the process had buffered for standard output stays in stdio's
    // buffer and, flushed later, goes to standard error with everything else.
    const int scene = ::dup(STDOUT_FILENO);
    if (scene < 0)
        return nullptr;
    std::FILE* stream = ::fdopen(scene, "wb");
    if (!stream) {
        const int saved = errno;
        ::close(scene);
        errno = saved;
        return nullptr;
    }
    if (::dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
        const int saved = errno;
        std::fclose(stream);
        errno = saved;
        return nullptr;
    }
    return stream; // POSIX streams have no text mode to switch off
}

} // namespace platform
