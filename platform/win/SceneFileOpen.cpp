#include <platform/SceneFileOpen.h>

#include <fcntl.h>
#include <io.h>

#include <cerrno>

namespace platform {

std::FILE* takeOverStandardOutput()
{
    // What the process had buffered for standard output stays in the C
    // runtime's buffer and, flushed later, goes to standard error with
    // everything else. A process without standard output (no console, no
    // redirection) has no descriptor to duplicate, and _dup fails.
    const int scene = _dup(_fileno(stdout));
    if (scene < 0)
        return nullptr;
    std::FILE* stream = _fdopen(scene, "wb");
    if (!stream) {
        const int saved = errno;
        _close(scene);
        errno = saved;
        return nullptr;
    }
    if (_dup2(_fileno(stderr), _fileno(stdout)) != 0) {
        const int saved = errno;
        std::fclose(stream);
        errno = saved;
        return nullptr;
    }
    // The duplicate inherits standard output's text mode, which would turn
    // every "\n" of the scene into "\r\n"; "wb" alone does not change the
    // descriptor's mode.
    if (_setmode(_fileno(stream), _O_BINARY) < 0) {
        const int saved = errno;
        std::fclose(stream);
        errno = saved;
        return nullptr;
    }
    return stream;
}

} // namespace platform
