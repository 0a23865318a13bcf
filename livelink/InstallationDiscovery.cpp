#include "InstallationDiscovery.h"

#include <platform/Files.h>
#include <platform/Services.h>

#include <algorithm>
#include <climits>
#include <optional>

namespace vel::live {

namespace {

using platform::Registry;
using platform::RegistryKey;
using platform::RegistryRoot;

// Reads a decimal integer the way the C runtime's wide-to-int conversion
// does: leading white space, an optional sign when allowed, digits up to the
// first other character, 0 without digits. Saturates instead of overflowing.
int parseDecimal(std::string_view text, bool allowSign)
{
    std::size_t i = text.find_first_not_of(" \t\n\v\f\r");
    if (i == std::string_view::npos)
        return 0;
    bool negative = false;
    if (allowSign && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Capped one above INT_MAX, so that "-2147483648" still reads exactly.
    constexpr long long cap = static_cast<long long>(INT_MAX) + 1;
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = std::min(value * 10 + (text[i] - '0'), cap);
    if (negative)
        return static_cast<int>(-value);
    return static_cast<int>(std::min<long long>(value, INT_MAX));
}

// The major version in a "RayDeckVersion" value: the number after its first
// blank ("RayDeck 9" gives 9). A value without a blank gives 0, which no
// search accepts.
int versionFromVersionName(std::string_view name)
{
    const std::size_t blank = name.find(' ');
    return blank == std::string_view::npos ? 0 : parseDecimal(name.substr(blank + 1), false);
}

// The subkey, open, when it exists and names a readable executable and an
// existing resource folder.
std::unique_ptr<RegistryKey> validate(Registry& registry, RegistryRoot root, const std::string& subkey)
{
    std::unique_ptr<RegistryKey> key = registry.open(root, subkey);
    if (!key)
        return nullptr;
    const std::optional<std::string> binName = key->queryString("BinName", kValidationBufferBytes);
    if (!binName || !platform::isReadableFile(*binName))
        return nullptr;
    const std::optional<std::string> resources = key->queryString("ResourceFolder", kValidationBufferBytes);
    if (!resources || !platform::isDirectory(*resources))
        return nullptr;
    return key;
}

Installation found(std::unique_ptr<RegistryKey> key, int majorVersion)
{
    return Installation{0, std::move(key), majorVersion};
}

Installation probe(Registry& registry, RegistryRoot root, int minVersion, int maxVersion)
{
    const auto inRange = [&](int version) { return version >= minVersion && version <= maxVersion; };

    // All three methods start at the base key; without it the root has nothing.
    const std::unique_ptr<RegistryKey> base = registry.open(root, registryRoot);
    if (!base)
        return {};

    // The range is tested before the subkey is validated: the outcome is the
    // same and no file is touched for a version that cannot be taken.
    if (const auto activePath = base->queryString("RayDeckActivePath", kValidationBufferBytes)) {
        const int version = versionFromActivePath(*activePath);
        if (inRange(version)) {
            if (auto key = validate(registry, root, installationKeyPath(version)))
                return found(std::move(key), version);
        }
    }

    if (const auto versionName = base->queryString("RayDeckVersion", kValidationBufferBytes)) {
        const int version = versionFromVersionName(*versionName);
        if (version > 0 && inRange(version)) {
            if (auto key = validate(registry, root, std::string(registryRoot) + *versionName))
                return found(std::move(key), version);
        }
    }

    // 64-bit counter: a range ending at INT_MIN must not wrap.
    for (long long version = maxVersion; version >= minVersion; --version) {
        const int v = static_cast<int>(version);
        if (auto key = validate(registry, root, installationKeyPath(v)))
            return found(std::move(key), v);
    }
    return {};
}

std::string readPath(int minVersion, int maxVersion, std::string_view name, int* majorVersion)
{
    const Installation installation = findInstallation(minVersion, maxVersion);
    if (!installation)
        return {};
    if (majorVersion != nullptr)
        *majorVersion = installation.majorVersion;
    return installation.key->queryString(name, kValueBufferBytes).value_or(std::string());
}

} // namespace

std::string installationKeyPath(int majorVersion)
{
    return std::string(registryRoot) + "RayDeck " + std::to_string(majorVersion);
}

int versionFromActivePath(std::string_view path)
{
    const std::size_t letter = path.find_last_of("RayDeck");
    std::size_t separator = path.rfind('/');
    if (separator == std::string_view::npos)
        separator = path.rfind('\\');
    if (letter == std::string_view::npos || separator == std::string_view::npos)
        return -1;
    const std::size_t start = letter + 1;
    if (separator == start)
        return -1;
    const std::size_t end = separator > start ? separator : path.size();
    return parseDecimal(path.substr(start, end - start), false);
}

Installation findInstallation(int minVersion, int maxVersion)
{
    Registry& registry = *platform::services().registry;
    Installation best;
    for (const RegistryRoot root : {RegistryRoot::CurrentUser, RegistryRoot::LocalMachine}) {
        Installation candidate = probe(registry, root, minVersion, maxVersion);
        if (candidate && (!best || candidate.majorVersion > best.majorVersion))
            best = std::move(candidate);
    }
    return best;
}

std::string readBinFolder(int minVersion, int maxVersion, int& majorVersion)
{
    return readPath(minVersion, maxVersion, "BinFolder", &majorVersion);
}

std::string readBinName(int minVersion, int maxVersion)
{
    return readPath(minVersion, maxVersion, "BinName", nullptr);
}

std::string readResourceFolder(int minVersion, int maxVersion)
{
    return readPath(minVersion, maxVersion, "ResourceFolder", nullptr);
}

int readLiveLinkPorts(int minVersion, int maxVersion, int& lowestPort, int& highestPort)
{
    const Installation installation = findInstallation(minVersion, maxVersion);
    if (!installation)
        return PortsNoInstallation;
    const RegistryKey& key = *installation.key;

    if (const auto lowest = key.queryDword("LiveLinkPort")) {
        lowestPort = static_cast<int>(*lowest);
        const auto highest = key.queryDword("LiveLinkMaxPort");
        if (!highest)
            return PortsNoHighest;
        highestPort = static_cast<int>(*highest);
        return PortsRead;
    }

    const auto lowest = key.queryString("LiveLinkPort", kPortTextBufferBytes);
    if (!lowest)
        return PortsUnreadable;
    lowestPort = parseDecimal(*lowest, true);
    const auto highest = key.queryString("LiveLinkMaxPort", kPortTextBufferBytes);
    if (!highest)
        return PortsNoHighest;
    highestPort = parseDecimal(*highest, true);
    return PortsRead;
}

} // namespace vel::live
