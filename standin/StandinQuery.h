#pragma once
// The live library's query interface over the running RayDeck stand-ins:
//
//   listInstances   the announcements of running stand-ins (Announcement.h)
//                   as the instance list the add-in reads:
//                     <instances>
//                       <instance>
//                         <version_major>9</version_major>
//                         <process_id>4711</process_id>
//                         <livelink_port>5000</livelink_port>
//                       </instance>
//                     </instances>
//                   in the order the stand-ins started. Never null: with
//                   none running it is "<instances/>".
//   attach(pid)     asks that stand-in for its scene description over its
//                   port (2 s at most); true when the description came. A
//                   process that is not a running stand-in, or one that does
//                   not answer (its process id reused by another program, a
//                   stand-in that hangs), cannot be attached.
//   detach          forgets the description.
//   describeScene   the description taken at attach; null when not attached.
//
// The texts stay valid until the next call of the same operation.

#include "Announcement.h"

#include <livelink/LiveLibrary.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace standin::raydeck {

class StandinQuery final : public vel::live::QueryApi {
public:
    // Looks for announcements in `folder`; an empty folder finds none.
    explicit StandinQuery(std::string folder, std::chrono::milliseconds askTimeout = std::chrono::milliseconds(2000));
    ~StandinQuery() = default;
    StandinQuery(const StandinQuery&) = delete;
    StandinQuery& operator=(const StandinQuery&) = delete;

    const char* listInstances() override;
    bool attach(std::int64_t processId) override;
    void detach() override;
    const char* describeScene() override;

private:
    std::string folder_;
    std::chrono::milliseconds askTimeout_;
    std::string list_;
    std::string description_;
    bool attached_ = false;
};

// The instance list text for these announcements.
std::string instanceListXml(const std::vector<Announcement>& standins);

} // namespace standin::raydeck
