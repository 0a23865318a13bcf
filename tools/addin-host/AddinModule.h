#pragma once
// An add-in module loaded the way the host loads one: the library file is
// loaded, and its entry points are looked up by their plain names "run" and
// "stop".

#include <StandIn/AddinEntry.h>
#include <platform/DynamicLibrary.h>

#include <stdexcept>
#include <string>

namespace addinhost {

class AddinModule {
public:
    // Loads the module; throws std::runtime_error with the system's reason
    // when it cannot be loaded or lacks an entry point.
    explicit AddinModule(const std::string& path);
    // Makes the host forget the module's handlers, which go with its code,
    // then unloads it. The caller has called stop before, as the host does.
    ~AddinModule();
    AddinModule(const AddinModule&) = delete;
    AddinModule& operator=(const AddinModule&) = delete;

    // The add-in's run and stop; what they throw propagates.
    bool run() const { return run_(kContext); }
    bool stop() const { return stop_(kContext); }

    const std::string& path() const { return path_; }

private:
    // The host's argument to run and stop, which add-ins do not read.
    static constexpr const char* kContext = "";

    std::string path_;
    platform::DynamicLibrary library_;
    standin::host::AddinEntryPoint run_ = nullptr;
    standin::host::AddinEntryPoint stop_ = nullptr;
};

} // namespace addinhost
