// Started by the file factory's tests, to write a scene where the test
// process itself cannot: to standard output, or ending the way a real export
// may end.
//
//   scene_writer              a small scene to "-", with lines of its own
//                             printed to standard output before and after
//   scene_writer die FILE     a large scene to FILE, then killed before close
//   scene_writer limit FILE   the same under a file size limit of 64 KiB
//                             (POSIX), which fails the write
//   scene_writer limit-kills FILE   ... whose signal kills the process
//   scene_writer long FILE    a group whose name exceeds the line limit
//
// Exits with 0, or 3 when the factory threw.
#include <sceneapi/LightFileFactory.h>
#include <sceneapi/velSceneapi_oo.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#endif

namespace {

int toStandardOutput()
{
    vel::LightFileFactory factory("-");
    {
        vel::velSceneapi_oo w(&factory);
        std::printf("stray\n");
        std::fflush(stdout);
        w.api()->setModeFlags(vel::kExportModeFlags);
        w.beginGroup("g");
        w.endGroup();
    }
    factory.close();
    std::printf("after\n");
    std::fflush(stdout);
    return 0;
}

[[noreturn]] void dieAtOnce()
{
#ifdef _WIN32
    TerminateProcess(GetCurrentProcess(), 9);
#else
    std::raise(SIGKILL);
#endif
    std::_Exit(9);
}

int toFile(const std::string& how, const std::string& path)
{
#ifndef _WIN32
    if (how == "limit" || how == "limit-kills") {
        const rlimit limit{64 * 1024, 64 * 1024};
        setrlimit(RLIMIT_FSIZE, &limit);
        // Ignored, a write past the limit fails with EFBIG; else the signal
        // ends the process.
        std::signal(SIGXFSZ, how == "limit" ? SIG_IGN : SIG_DFL);
    }
#endif
    vel::LightFileFactory factory(path);
    vel::velSceneapi_oo w(&factory);
    w.beginGroup("Root");
    w.api()->beginObject("Body", true);
    if (how == "long")
        w.beginGroup(std::string(1100000, 'x'));
    else // a list larger than every buffer on the way
        w.setFloatArray("values", std::vector<float>(200000, 1.0f));
    if (how == "die")
        dieAtOnce();
    factory.close();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    try {
        return argc == 3 ? toFile(argv[1], argv[2]) : toStandardOutput();
    } catch (...) {
        return 3;
    }
}
