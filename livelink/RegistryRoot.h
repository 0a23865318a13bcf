#pragma once
// The maker's base key, below HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE, under
// which every RayDeck installation records itself: "SOFTWARE\Veltor\", 16
// characters with the trailing backslash. One definition for the whole
// add-in (the add-in's globals refer to this one).
//
// It is constant-initialised, so it holds its text before any dynamic static
// constructor runs and may be used from one.

#include <string_view>

namespace vel::live {

extern const std::string_view registryRoot;

} // namespace vel::live
