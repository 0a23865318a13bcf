#pragma once
// Starting RayDeck when no running process qualifies for the live link.

namespace vel::live {

// Starts the executable named by "BinName" of the best installation in
// [minVersion, maxVersion] through the platform's process launcher (no
// arguments, this process's environment and current directory, no handle
// kept). False when there is no such installation or the program could not
// be started. The started process is not tracked: whether it comes up is
// seen only in the query interface's list.
bool launchRayDeck(int minVersion, int maxVersion);

} // namespace vel::live
