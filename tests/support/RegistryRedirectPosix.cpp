// The sandbox's registry on POSIX: the two root files that the file-backed
// registry reads, in the sandbox folder, named by VELTOR_USER_REG and
// VELTOR_MACHINE_REG for the sandbox's lifetime.
#include "RegistryRedirect.h"
#include "Sandbox.h"

namespace rdtest {

struct RegistryRedirect::State {
    explicit State(const std::filesystem::path& folder)
        : userFile(utf8FromPath(folder / "user.reg")),
          machineFile(utf8FromPath(folder / "system.reg")),
          user("VELTOR_USER_REG", userFile),
          machine("VELTOR_MACHINE_REG", machineFile)
    {
    }
    std::string userFile;
    std::string machineFile;
    ScopedEnv user;
    ScopedEnv machine;
};

// The variables reach started programs anyway.
RegistryRedirect::RegistryRedirect(const std::filesystem::path& folder, bool)
    : state_(std::make_unique<State>(folder))
{
}

RegistryRedirect::~RegistryRedirect() = default;

void RegistryRedirect::write(platform::RegistryRoot root, const std::string& regText) const
{
    writeFile(root == platform::RegistryRoot::CurrentUser ? state_->userFile : state_->machineFile, regText);
}

} // namespace rdtest
