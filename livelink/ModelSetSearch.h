#pragma once
// Finding a design's model set in the scene description of a running RayDeck.
//
// A scene description is an XML document; the elements of its tree that
// carry a "name" attribute are the scene's named items, model sets among
// them. A model set the user took out of use carries a "modelset" attribute
// other than "active"; such an element hides itself and everything below it
// from the search. For example, with the root element at depth 4:
//
//   <scene>                                  depth 4
//     <contents>                             depth 3
//       <item name="Gearbox"/>               depth 2: found
//       <item modelset="hidden">             skipped, with all below
//         <item name="Gearbox"/>
//       </item>
//     </contents>
//   </scene>

#include <string_view>

namespace tinyxml2 {
class XMLElement;
}

namespace vel::live {

// How deep below and including the root element a process of this major
// version is searched: 3 levels below version 7, 4 from version 7 on (the
// newer scene description nests model sets one level deeper).
int modelSetSearchDepth(int majorVersion);

// The first element, in document order, whose "name" attribute equals name
// exactly (same length, same bytes), searching element with the given depth:
// depth 1 looks at the element alone, each further level one generation
// more. An element whose "modelset" attribute is anything but "active" is not
// searched, nor anything below it. Null when nothing is found or depth < 1.
const tinyxml2::XMLElement* findModelSet(const tinyxml2::XMLElement& element, std::string_view name, int depth);

} // namespace vel::live
