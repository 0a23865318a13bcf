#include "SceneFileOpen.h"

#include "Files.h"

namespace platform {

std::FILE* openSceneFile(const std::string& utf8Name)
{
    // openFile takes the UTF-8 name to the wide-character open on Windows.
    return openFile(utf8Name, "wb+");
}

} // namespace platform
