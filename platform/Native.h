#pragma once
// Internal to the platform library: the native implementation of each
// replaceable seam, defined once per system in posix/ or win/. Each lives
// until the process ends. Other code reaches them through services().

#include "Clock.h"
#include "Processes.h"
#include "Registry.h"

namespace platform::native {

Registry& registry();
Clock& clock();
Processes& processes();

} // namespace platform::native
