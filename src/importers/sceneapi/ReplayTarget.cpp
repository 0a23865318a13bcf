#include "ReplayTarget.h"

#include "velScene_api_file.h"

namespace vel {

void ReplayTarget::switchMode(const ModeNeed& need)
{
    const bool binary = need.binaryLists < 0 ? binary_ : need.binaryLists != 0;
    const bool off = need.indentation < 0 ? indentationOff_ : need.indentation == 0;
    const std::uint32_t flags = ModeBase | (binary ? ModeBinaryLists : 0u) | (off ? ModeNoIndent : 0u);
    target_.setModeFlags(static_cast<int>(flags));
    binary_ = binary;
    indentationOff_ = off;
    ++calls_;
}

bool ReplayTarget::modifyCamera(const ModeNeed& need, const char* name)
{
    velScene_api& target = (*this)(need);
    if (auto* file = dynamic_cast<velScene_api_file*>(&target))
        return file->modifyCamera(name);
    if (auto* modifier = dynamic_cast<CameraModifier*>(&target))
        return modifier->modifyCamera(name);
    return target.beginCamera(name);
}

} // namespace vel
