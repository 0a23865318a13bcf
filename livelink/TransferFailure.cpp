#include "TransferFailure.h"

#include "LiveLibrary.h"

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
    const std::vector<InstanceRecord> running = listInstances(*query, minVersion, maxVersion);
    const bool listed = std::any_of(running.begin(), running.end(), [&](const InstanceRecord& record) {
        return record.processId == instance.processId;
    });
    return listed ? process + " did not answer in time."
                  : "The connection broke: " + process + " is no longer running.";
}

} // namespace vel::live
