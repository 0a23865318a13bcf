#pragma once
// Finding the RayDeck installation in the registry.
//
// Every installation records itself below registryRoot ("SOFTWARE\Veltor\")
// in a subkey per major version, "RayDeck <major>", under the current user or
// the local machine. The subkey holds the values
//
//   "BinName"          full path of the application's executable
//   "ResourceFolder"   the application's resource folder (home of the log)
//   "BinFolder"        the folder of its binaries and the live library
//   "LiveLinkPort"     lowest live-link port, a dword or a decimal string
//   "LiveLinkMaxPort"  highest live-link port, likewise
//
// and the base key may name the active installation in "RayDeckActivePath"
// (a folder of it) and "RayDeckVersion" (its subkey name, "RayDeck 9").
//
// Every lookup takes an inclusive range of acceptable major versions and
// searches afresh; nothing is cached. Nothing here reports to the user: a
// lookup that finds nothing gives an empty string or a status code.

#include "RegistryRoot.h"

#include <platform/Registry.h>

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace vel::live {

// The status of a search that found no installation (ERROR_NOT_FOUND).
inline constexpr long kErrorNotFound = 1168;

// Buffer sizes in bytes, as RegQueryValueExW takes them: a string value fits
// when its UTF-16 form plus the terminator does.
inline constexpr std::size_t kValidationBufferBytes = 2048; // every value read while searching
inline constexpr std::size_t kValueBufferBytes = 520;       // paths read for use (259 characters)
inline constexpr std::size_t kPortTextBufferBytes = 512;    // ports stored as strings

struct Installation {
    long status = kErrorNotFound;                // 0 when found
    std::unique_ptr<platform::RegistryKey> key;  // the open installation subkey; closes when dropped
    int majorVersion = 0;

    explicit operator bool() const { return status == 0; }
};

// The best installation with a major version in [minVersion, maxVersion].
//
// Each root, current user first, is probed with three methods; the first that
// succeeds decides the root:
//   1. the version derived from "RayDeckActivePath" (versionFromActivePath),
//      if it is in the range and its subkey validates;
//   2. the subkey named by "RayDeckVersion", if it validates and the number
//      after the value's first blank is above 0 and in the range;
//   3. the subkeys from maxVersion down to minVersion; the first that
//      validates.
// A subkey validates when it exists, its "BinName" names a readable file and
// its "ResourceFolder" an existing directory. The local machine's result
// replaces the current user's only with a strictly higher major version.
Installation findInstallation(int minVersion, int maxVersion);

// "BinFolder" of the best installation in the range; empty when there is none
// or the value cannot be read. majorVersion receives the installation's major
// version when one was found and is left alone otherwise.
std::string readBinFolder(int minVersion, int maxVersion, int& majorVersion);

// "BinName" of the best installation in the range; empty when none.
std::string readBinName(int minVersion, int maxVersion);

// "ResourceFolder" of the best installation in the range; empty when none.
std::string readResourceFolder(int minVersion, int maxVersion);

// Results of readLiveLinkPorts.
enum LiveLinkPortsStatus : int {
    PortsRead = 0,            // both ports read
    PortsNoHighest = -1,      // the lowest port was read, "LiveLinkMaxPort" was not
    PortsUnreadable = -2,     // "LiveLinkPort" is neither a dword nor a string
    PortsNoInstallation = -3, // no installation in the range
};

// The live-link port range of the best installation in the range. Both ports
// are read the same way: as dwords when "LiveLinkPort" is a dword, else as
// decimal strings. A port that is not read keeps the value the caller set.
int readLiveLinkPorts(int minVersion, int maxVersion, int& lowestPort, int& highestPort);

// The major version encoded in an installation folder such as
// "C:\Program Files\Veltor\RayDeck 9\": the number after the last character of
// the path that is any one of the letters R, a, y, D, e, c, k (a search for
// the letters, not for the word), up to the last "/" (or, when the path has
// none, the last "\"). -1 when the path has no such letter or no separator,
// or the separator stands right after the letter. The number skips leading
// white space and stops at the first non-digit; no digits give 0.
//
// The letter search is kept as it is, quirks included (a folder ending in
// "...\RayDeck 9\data" gives 0, because of the "a" of "data"): changing it
// would change which installation an existing registry selects.
int versionFromActivePath(std::string_view path);

// The installation subkey of a major version: registryRoot + "RayDeck <major>".
std::string installationKeyPath(int majorVersion);

} // namespace vel::live
