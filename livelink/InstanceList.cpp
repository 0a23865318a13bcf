#include "InstanceList.h"

#include "DecimalText.h"
#include "LiveLibrary.h"
#include "XmlSearch.h"

#include <tinyxml2.h>

namespace vel::live {

std::vector<InstanceRecord> readInstanceList(const char* xml, int minVersion, int maxVersion)
{
    std::vector<InstanceRecord> instances;
    if (xml == nullptr)
        return instances;
    tinyxml2::XMLDocument document;
    if (document.Parse(xml) != tinyxml2::XML_SUCCESS)
        return instances;
    const tinyxml2::XMLElement* root = document.FirstChildElement();
    if (root == nullptr)
        return instances;

    for (const tinyxml2::XMLElement* process = root->FirstChildElement(); process != nullptr;
         process = process->NextSiblingElement()) {
        const tinyxml2::XMLElement* version = firstElementNamed(*process, "version_major");
        if (version == nullptr)
            continue;
        const int majorVersion = readDecimal32(elementText(*version));
        if (majorVersion < minVersion || majorVersion > maxVersion)
            continue;
        const tinyxml2::XMLElement* processId = firstElementNamed(*process, "process_id");
        const tinyxml2::XMLElement* port = firstElementNamed(*process, "livelink_port");
        if (processId == nullptr || port == nullptr)
            continue;
        instances.push_back({majorVersion, readDecimal(elementText(*processId)), readDecimal32(elementText(*port))});
    }
    return instances;
}

std::vector<InstanceRecord> listInstances(QueryApi& query, int minVersion, int maxVersion)
{
    return readInstanceList(query.listInstances(), minVersion, maxVersion);
}

} // namespace vel::live
