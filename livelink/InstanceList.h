#pragma once
// The running RayDeck processes, as the live library's query interface lists
// them: an XML document whose root element holds one child element per
// process (element names do not matter), for example
//
//   <instances>
//     <instance>
//       <version_major>9</version_major>
//       <process_id>4711</process_id>
//       <livelink_port>5000</livelink_port>
//     </instance>
//   </instances>
//
// In each child of the root, the first element named "version_major", the
// first named "process_id" and the first named "livelink_port" of its subtree
// (depth first in document order, the child itself included) carry the
// numbers as their text. A number is read as a decimal integer: leading white
// space and a sign are allowed, reading stops at the first other character,
// text without digits gives 0, and a number beyond the field's range gives the
// field's nearest limit.

#include <cstdint>
#include <vector>

namespace vel::live {

class QueryApi;

// One running RayDeck process.
struct InstanceRecord {
    int majorVersion = 0;       // 0 in an empty record ("no process")
    std::int64_t processId = 0; // what QueryApi::attach takes
    int liveLinkPort = 0;       // 0 or less when the process announces no port

    bool empty() const { return majorVersion == 0; }
    bool operator==(const InstanceRecord&) const = default;
};

// The processes of the list text whose major version lies in
// [minVersion, maxVersion], in document order. An element that lacks
// "version_major", or that is in the range but lacks "process_id" or
// "livelink_port", is skipped. Null or unparsable text gives an empty list.
std::vector<InstanceRecord> readInstanceList(const char* xml, int minVersion, int maxVersion);

// Asks the query interface for its list and reads it as above.
std::vector<InstanceRecord> listInstances(QueryApi& query, int minVersion, int maxVersion);

} // namespace vel::live
