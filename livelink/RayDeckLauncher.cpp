#include "RayDeckLauncher.h"

#include "InstallationDiscovery.h"

#include <platform/Services.h>

namespace vel::live {

bool launchRayDeck(int minVersion, int maxVersion)
{
    const std::string binName = readBinName(minVersion, maxVersion);
    if (binName.empty())
        return false;
    return platform::services().processes->launch(binName);
}

} // namespace vel::live
