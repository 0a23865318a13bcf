#include "SceneFile.h"

#include "SceneBuilder.h"

namespace rdk {

bool loadSceneFile(const std::string& path, SceneFile& out, std::string& error)
{
    out.path = path;
    if (!vel::loadFile(path, out.bytes, error))
        return false;
    vel::model::SceneBuilder builder(out.scene);
    out.read = vel::readScene(out.bytes, builder);
    builder.finish();
    return true;
}

} // namespace rdk
