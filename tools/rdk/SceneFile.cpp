#include "SceneFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <sceneapi/model/SceneBuilder.h>

namespace rdk {

bool loadSceneFile(const std::string& path, SceneFile& out, std::string& error)
{
    out.path = path;
    if (path == "-") {
        char block[65536];
        std::size_t n = 0;
        while ((n = std::fread(block, 1, sizeof block, stdin)) > 0)
            out.piped.append(block, n);
        if (std::ferror(stdin)) {
            error = std::strerror(errno);
            return false;
        }
    } else if (!out.bytes.open(path, error)) {
        return false;
    }
    vel::model::SceneBuilder builder(out.scene);
    out.read = vel::readScene(out.text(), builder);
    builder.finish();
    return true;
}

} // namespace rdk
