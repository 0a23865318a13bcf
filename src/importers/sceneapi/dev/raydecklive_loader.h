#pragma once
// Loading RayDeck's live library and handing out its two interfaces.
//
// The library is found through the best installation in a range of major
// versions (its "BinFolder", see InstallationDiscovery.h), loaded once per
// process, and its entry point "raydeck_live_initialize" gives the root
// object (LiveLibrary.h). The loader keeps one process-wide record of the
// loaded module and the root object:
//
//   not loaded --get (load succeeds)--> loaded --unloadLiveLibrary()--> not loaded
//
// A get whose load fails leaves it not loaded, so the next get searches and
// loads afresh. While loaded, gets return the loaded library's interfaces
// whatever range they pass, without touching the registry or the disk.
//
// The library file is "<base><suffix>" with the base "velraydecklive6_" for
// major version 6 and above and "velraydecklive" below 6, and the suffix
// "32.so", then "64.so" (on Windows too: the live library keeps these names).
// Candidates, in order: <BinFolder>/<base>32.so, <BinFolder>/<base>64.so,
// ./<base>32.so, ./<base>64.so (backslashes on Windows; "." is the current
// directory).
//
// The progress goes to the log (FILELog.h), which each get points at
// logFolder() before it writes: the bin folder,
// "initialize shared handle: <module>" and "Raydeck live: <root>" at DEBUG4,
// "NO shared handle" at WARNING when no candidate loads.
//
// Nothing is reported to the user; callers turn an empty result into their
// own message. Not thread-safe: the live link runs on the host's command
// thread only.

#include <optional>
#include <string>
#include <vector>

class velScene_api;

namespace vel::live {

class QueryApi;

// The query interface of the live library, loading it first for the range
// [minVersion, maxVersion] if it is not loaded; null when it cannot be loaded
// or offers no query interface.
QueryApi* getQueryApi(int minVersion, int maxVersion);

// The live scene interface, likewise.
velScene_api* getSceneApi(int minVersion, int maxVersion);

// Destroys the root object (destroy(1)), releases the library and forgets
// both; the next get loads afresh. Does nothing when not loaded. Every
// interface obtained before is invalid afterwards.
void unloadLiveLibrary();

// The library loaded now: its file, and the major version of the
// installation whose bin folder named it. Nothing while not loaded.
struct LoadedLibrary {
    std::string path;
    int majorVersion = 0;
};
std::optional<LoadedLibrary> loadedLiveLibrary();

// The folder of the log: the resource folder of the best installation of major
// versions 5 to 20, looked up afresh while the log is not open.
std::string logFolder();

// The base name of the library file for an installation's major version.
std::string liveLibraryBaseName(int majorVersion);

// The four paths tried, in order, for a bin folder and major version.
std::vector<std::string> liveLibraryCandidates(const std::string& binFolder, int majorVersion);

} // namespace vel::live
