#include "RepeatLinkFactory.h"

#include "LiveConnection.h"
#include "TransferFailure.h"

#include <sceneapi/dev/raydecklive_loader.h>
#include <sceneapi/velScene_api.h>

#include <algorithm>
#include <climits>
#include <utility>

namespace vel {

namespace {

// The loader and the registry count versions in int.
int asVersion(std::uint32_t version)
{
    return static_cast<int>(std::min<std::uint32_t>(version, INT_MAX));
}

} // namespace

RepeatLinkFactory::~RepeatLinkFactory()
{
    close();
}

velScene_api* RepeatLinkFactory::sceneApi()
{
    message_.clear();
    if (sceneInterface_ == nullptr) {
        live::ConnectionSettings settings;
        settings.attempts = attempts_;
        settings.waitMilliseconds = waitMilliseconds_;
        settings.minVersion = asVersion(minVersion_);
        settings.maxVersion = asVersion(maxVersion_);
        settings.modelSetName = modelSetName_;
        settings.acceptAny = acceptAny_;
        settings.clientId = clientId_;
        live::Connection connection = live::connectToRayDeck(settings);
        sceneInterface_ = connection.sceneInterface;
        reusing_ = connection.reusing;
        report_ = std::move(connection.report);
        if (sceneInterface_ == nullptr)
            message_ = kFailurePrefix + connection.failure;
    }
    return sceneInterface_;
}

void RepeatLinkFactory::writeHeader(velSceneapi_oo& /*wrapper*/)
{
}

void RepeatLinkFactory::close()
{
    if (sceneInterface_ == nullptr)
        return;
    sceneInterface_->disconnect();
    live::unloadLiveLibrary();
    sceneInterface_ = nullptr;
}

bool RepeatLinkFactory::endTransfer()
{
    if (sceneInterface_ == nullptr)
        return false;
    const bool confirmed = sceneInterface_->disconnect();
    sceneInterface_ = nullptr;
    if (!confirmed) {
        // Asked while the library is still loaded: unloading invalidates
        // the query interface.
        message_ = kTransferFailurePrefix
                   + live::whyTransferFailed(live::getQueryApi(asVersion(minVersion_), asVersion(maxVersion_)),
                                             report_.instance, report_.port, asVersion(minVersion_),
                                             asVersion(maxVersion_));
    }
    live::unloadLiveLibrary();
    return confirmed;
}

void RepeatLinkFactory::setVersionRange(std::uint32_t minVersion, std::uint32_t maxVersion)
{
    minVersion_ = minVersion;
    maxVersion_ = maxVersion;
}

void RepeatLinkFactory::setModelSetName(std::string name)
{
    modelSetName_ = std::move(name);
}

void RepeatLinkFactory::setAcceptAny(bool acceptAny)
{
    acceptAny_ = acceptAny;
}

} // namespace vel
