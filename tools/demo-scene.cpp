// Writes a small demonstration scene to a scene file, the way the export
// command does: the file factory opens the file, the object wrapper writes
// the banner, then render options, a group with a tetrahedron whose material
// carries a captured shader. Usage: demo-scene [file.rdk]   ("-": standard output)

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "LightFileFactory.h"
#include "velSceneapi_oo.h"

namespace {

void writeDemo(vel::velSceneapi_oo& w)
{
    velScene_api& api = *w.api();
    api.setModeFlags(1); // text lists and indentation, as the export command sets

    api.beginOptions();
    w.setDouble("meter_scale", 1000.0);
    api.endOptions();

    w.beginGroup("Demo");
    const double placement[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 50, 1};
    w.transform(placement);

    api.beginObject("Tetrahedron", true);
    api.beginGeometry("triangles");
    w.setVector3fArray("vertices", {0, 0, 0, 100, 0, 0, 0, 100, 0, 0, 0, 100});
    w.setIntArray("triangles", {0, 2, 1, 0, 1, 3, 0, 3, 2, 1, 2, 3});
    api.endGeometry();

    api.beginMaterial("Red plastic", true);
    api.beginShader(nullptr, "plastic");
    const float red[3] = {0.8f, 0.05f, 0.05f};
    w.setVector3f("color", red);
    w.setFloat("roughness", 0.3f);
    api.endShader();
    api.shaderText(vel::ShaderSurface, api.capturedText());
    api.endMaterial();
    api.endObject();
    w.endGroup();
}

} // namespace

int main(int argc, char** argv)
{
    const std::string path = argc > 1 ? argv[1] : "out/demo.rdk";
    try {
        vel::LightFileFactory factory(path);
        {
            vel::velSceneapi_oo wrapper(&factory);
            writeDemo(wrapper);
        }
        factory.close();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "demo-scene: %s\n", e.what());
        return 1;
    }
    return 0;
}
