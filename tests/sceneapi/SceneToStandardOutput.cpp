// Started by the file factory's tests: writes a small scene to the file name
// "-" (standard output), with lines of its own printed to standard output
// before and after the scene. Exits with 0, or 3 when the factory threw.
#include <sceneapi/LightFileFactory.h>
#include <sceneapi/velSceneapi_oo.h>

#include <cstdio>

int main()
{
    try {
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
    } catch (...) {
        return 3;
    }
    return 0;
}
