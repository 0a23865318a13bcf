#include "InstanceSelection.h"

#include "LiveLibrary.h"
#include "ModelSetSearch.h"

#include <tinyxml2.h>

namespace vel::live {

namespace {

// Keeps the first record of the highest major version.
void offer(InstanceRecord& best, const InstanceRecord& candidate)
{
    if (candidate.majorVersion > best.majorVersion)
        best = candidate;
}

} // namespace

bool isEmptyScene(const tinyxml2::XMLElement* root)
{
    const tinyxml2::XMLElement* container = root != nullptr ? root->FirstChildElement() : nullptr;
    if (container == nullptr)
        return false;
    for (const tinyxml2::XMLElement* item = container->FirstChildElement(); item != nullptr;
         item = item->NextSiblingElement()) {
        if (item->FirstChildElement() != nullptr)
            return false;
    }
    return true;
}

Selection selectInstance(QueryApi& query, const std::vector<InstanceRecord>& instances,
                         const SelectionCriteria& criteria)
{
    InstanceRecord match;
    InstanceRecord any;
    InstanceRecord empty;
    for (const InstanceRecord& instance : instances) {
        if (!query.attach(instance.processId))
            continue;
        // The description belongs to the query interface and changes with the
        // next call on it, so it is parsed before detaching.
        if (const char* description = query.describeScene()) {
            tinyxml2::XMLDocument document;
            const tinyxml2::XMLElement* root =
                document.Parse(description) == tinyxml2::XML_SUCCESS ? document.FirstChildElement() : nullptr;
            if (isEmptyScene(root))
                offer(empty, instance);
            if (criteria.acceptAny)
                offer(any, instance);
            if (!criteria.modelSetName.empty() && root != nullptr
                && findModelSet(*root, criteria.modelSetName, modelSetSearchDepth(instance.majorVersion)) != nullptr)
                offer(match, instance);
        }
        query.detach();
    }
    if (!match.empty())
        return {match, true};
    return {!any.empty() ? any : empty, false};
}

} // namespace vel::live
