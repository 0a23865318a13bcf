#include "StandinQuery.h"

#include "ControlClient.h"
#include "Protocol.h"

#include <utility>

namespace standin::raydeck {

std::string instanceListXml(const std::vector<Announcement>& standins)
{
    if (standins.empty())
        return "<instances/>";
    std::string xml = "<instances>";
    for (const Announcement& standin : standins) {
        xml += "<instance><version_major>" + std::to_string(standin.majorVersion) + "</version_major><process_id>"
               + std::to_string(standin.processId) + "</process_id><livelink_port>" + std::to_string(standin.port)
               + "</livelink_port></instance>";
    }
    xml += "</instances>";
    return xml;
}

StandinQuery::StandinQuery(std::string folder, std::chrono::milliseconds askTimeout)
    : folder_(std::move(folder)), askTimeout_(askTimeout)
{
}

const char* StandinQuery::listInstances()
{
    list_ = instanceListXml(folder_.empty() ? std::vector<Announcement>() : runningAnnouncements(folder_));
    return list_.c_str();
}

bool StandinQuery::attach(std::int64_t processId)
{
    detach();
    if (processId <= 0 || folder_.empty())
        return false;
    for (const Announcement& standin : runningAnnouncements(folder_)) {
        if (standin.processId != static_cast<std::uint64_t>(processId))
            continue;
        std::optional<std::string> answer = askStandin(standin, kDescribe, "", askTimeout_);
        // A refused request answers "error: ..."; a description is XML.
        if (!answer || !answer->starts_with('<'))
            return false;
        description_ = std::move(*answer);
        attached_ = true;
        return true;
    }
    return false;
}

void StandinQuery::detach()
{
    attached_ = false;
    description_.clear();
}

const char* StandinQuery::describeScene()
{
    return attached_ ? description_.c_str() : nullptr;
}

} // namespace standin::raydeck
