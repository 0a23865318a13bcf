#include "ModelSetSearch.h"

#include <tinyxml2.h>

namespace vel::live {

int modelSetSearchDepth(int majorVersion)
{
    return majorVersion < 7 ? 3 : 4;
}

const tinyxml2::XMLElement* findModelSet(const tinyxml2::XMLElement& element, std::string_view name, int depth)
{
    if (depth < 1)
        return nullptr;
    if (const char* state = element.Attribute("modelset"); state != nullptr && std::string_view(state) != "active")
        return nullptr;
    if (const char* itemName = element.Attribute("name"); itemName != nullptr && std::string_view(itemName) == name)
        return &element;
    for (const tinyxml2::XMLElement* child = element.FirstChildElement(); child != nullptr;
         child = child->NextSiblingElement()) {
        if (const tinyxml2::XMLElement* found = findModelSet(*child, name, depth - 1))
            return found;
    }
    return nullptr;
}

} // namespace vel::live
