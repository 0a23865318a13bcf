#pragma once
// Small searches over a parsed TinyXML-2 tree shared by the readers of the
// query interface's texts.

#include <string_view>

namespace tinyxml2 {
class XMLElement;
}

namespace vel::live {

// The first element named `name` in the subtree of `element`, the element
// itself included, depth first in document order; null when there is none.
// TinyXML-2 limits the nesting of a parsed document, which bounds the
// recursion.
const tinyxml2::XMLElement* firstElementNamed(const tinyxml2::XMLElement& element, std::string_view name);

// The element's text (its first child when that is text); empty otherwise.
std::string_view elementText(const tinyxml2::XMLElement& element);

} // namespace vel::live
