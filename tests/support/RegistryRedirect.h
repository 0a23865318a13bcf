#pragma once
// Internal to the test support: the per-system back end of RegistrySandbox.

#include <platform/Registry.h>

#include <filesystem>
#include <memory>
#include <string>

namespace rdtest {

class RegistryRedirect {
public:
    // folder: the sandbox's own temporary folder, for systems that keep the
    // roots in files. startedProgramsToo: see RegistrySandbox::Reach.
    RegistryRedirect(const std::filesystem::path& folder, bool startedProgramsToo);
    ~RegistryRedirect();
    RegistryRedirect(const RegistryRedirect&) = delete;
    RegistryRedirect& operator=(const RegistryRedirect&) = delete;

    // Replaces the root's content with the keys of a whole .reg text.
    void write(platform::RegistryRoot root, const std::string& regText) const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace rdtest
