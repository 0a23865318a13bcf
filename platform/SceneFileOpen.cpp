#include "SceneFileOpen.h"

namespace platform {

std::unique_ptr<OutputFile> openSceneFile(const std::string& utf8Name)
{
    return OutputFile::open(utf8Name, "wb+");
}

} // namespace platform
