#include "TransferFailure.h"

#include "LiveLibrary.h"

#include <platform/Services.h>

#include <algorithm>

namespace vel::live {

std::string whyTransferFailed(QueryApi* query, const InstanceRecord& instance, int port, int minVersion,
                              int maxVersion)
{
    if (query == nullptr || instance.empty())
        return "RayDeck on port " + std::to_string(port) + " did not confirm it.";
    const std::string process = "RayDeck (process " + std::to_string(instance.processId) + ")";
    if (query->attach(instance.processId)) {
        query->detach();
        return process + " rejected it.";
    }
    // Listed after the attach: a process that is ending refuses before it
    // is gone from the list.
    const auto listed = [&] {
        const std::vector<InstanceRecord> running = listInstances(*query, minVersion, maxVersion);
        return std::any_of(running.begin(), running.end(), [&](const InstanceRecord& record) {
            return record.processId == instance.processId;
        });
    };
    // A killed or crashed process closes its connection before the system
    // has finished ending it, and a loaded machine can hold it in that state
    // for a moment: it is given that moment before it counts as hanging.
    // One that hangs has already been waited for far longer.
    platform::Clock& clock = *platform::services().clock;
    bool stillListed = listed();
    for (int look = 0; stillListed && look < kEndingLooks; ++look) {
        clock.sleepMilliseconds(kEndingLookMilliseconds);
        stillListed = listed();
    }
    return stillListed ? process + " did not answer in time."
                       : "The connection broke: " + process + " is no longer running.";
}

} // namespace vel::live
