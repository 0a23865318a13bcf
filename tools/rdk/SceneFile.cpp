#include "SceneFile.h"

#include <sceneapi/NullScene.h>
#include <sceneapi/model/SceneBuilder.h>

namespace rdk {

bool loadSceneFile(const std::string& path, SceneFile& out, std::string& error, bool buildModel)
{
    out.path = path;
    if (!out.bytes.open(path, error))
        return false;
    if (!buildModel) {
        vel::NullScene nothing;
        out.read = vel::readScene(out.text(), nothing);
        return true;
    }
    vel::model::SceneBuilder builder(out.scene);
    out.read = vel::readScene(out.text(), builder);
    builder.finish();
    return true;
}

} // namespace rdk
