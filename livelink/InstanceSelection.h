#pragma once
// Choosing the RayDeck process to stream into.
//
// Every listed process is inspected through the query interface: attach,
// describe its scene, detach. From the description each process may be a
// candidate of up to three kinds:
//
//   match  its scene holds the design's model set (ModelSetSearch.h);
//   any    it described a scene at all, counted only when acceptAny is set;
//   empty  its scene is empty: the description's container (the first child
//          element of the root element) exists and none of the container's
//          children has a child element of its own.
//
// A process that cannot be attached or gives no description is no candidate.
// A text that does not parse still counts as a description (of a scene that
// is not empty and holds no model set). Within each kind the highest major
// version wins and, among equal versions, the first in the list. A match
// wins over any, any over empty.

#include "InstanceList.h"

#include <string_view>
#include <vector>

namespace tinyxml2 {
class XMLElement;
}

namespace vel::live {

class QueryApi;

struct SelectionCriteria {
    std::string_view modelSetName; // empty: no process can be a match
    bool acceptAny = false;
};

struct Selection {
    InstanceRecord instance; // empty when no process qualifies
    bool reusing = false;    // the process already shows the model set
};

Selection selectInstance(QueryApi& query, const std::vector<InstanceRecord>& instances,
                         const SelectionCriteria& criteria);

// Whether a scene description's root element describes an empty scene (see
// above). Null, as left by an unparsable text, is not empty.
bool isEmptyScene(const tinyxml2::XMLElement* root);

} // namespace vel::live
