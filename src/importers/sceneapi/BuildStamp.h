#pragma once
#include <string>

namespace vel {

// The add-in's build time in the form "Tue Apr 30 15:11:26 2019", taken from
// the compiler's __DATE__ and __TIME__ of BuildStamp.cpp.
std::string buildStamp();

} // namespace vel
