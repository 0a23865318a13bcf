#pragma once
// The two functions a host program looks up in an add-in's library by their
// plain names, "run" and "stop". Each takes the host's context text, which
// add-ins do not read, and returns whether it succeeded.

namespace standin::host {

using AddinEntryPoint = bool (*)(const char* context);

inline constexpr const char* kRunEntryName = "run";
inline constexpr const char* kStopEntryName = "stop";

} // namespace standin::host
