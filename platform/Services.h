#pragma once
// The operating-system services that the add-in reaches through replaceable
// interfaces. Production code asks services() for them; tests install fakes
// for a scope with ScopedServices (a counting registry, a clock that does not
// sleep, a launcher that starts nothing).
//
// The file-system functions (Files.h) and DynamicLibrary are not replaceable:
// tests use real files and real libraries for them.
//
// Everything here is meant for the host's command thread: replacing the
// services while another thread uses them is not supported.

#include "Clock.h"
#include "Processes.h"
#include "Registry.h"

namespace platform {

struct Services {
    Registry* registry;
    Clock* clock;
    Processes* processes;
};

// The services in force: the native ones unless a ScopedServices replaced them.
const Services& services();

// The native implementations of this system, created on first use and alive
// until the process ends.
Services nativeServices();

// Replaces the services in force for its lifetime and restores the previous
// ones when destroyed. Scopes nest. Typical use in a test:
//
//     platform::Services fakes = platform::services();
//     fakes.clock = &fakeClock;
//     platform::ScopedServices scope(fakes);
class ScopedServices {
public:
    explicit ScopedServices(const Services& replacement);
    ~ScopedServices();
    ScopedServices(const ScopedServices&) = delete;
    ScopedServices& operator=(const ScopedServices&) = delete;

private:
    Services previous_;
};

} // namespace platform
