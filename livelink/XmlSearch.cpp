#include "XmlSearch.h"

#include <tinyxml2.h>

namespace vel::live {

const tinyxml2::XMLElement* firstElementNamed(const tinyxml2::XMLElement& element, std::string_view name)
{
    if (name == element.Name())
        return &element;
    for (const tinyxml2::XMLElement* child = element.FirstChildElement(); child != nullptr;
         child = child->NextSiblingElement()) {
        if (const tinyxml2::XMLElement* found = firstElementNamed(*child, name))
            return found;
    }
    return nullptr;
}

std::string_view elementText(const tinyxml2::XMLElement& element)
{
    const char* text = element.GetText();
    return text != nullptr ? std::string_view(text) : std::string_view();
}

} // namespace vel::live
