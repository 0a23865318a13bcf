#pragma once
// Test helpers: a temporary folder, scoped environment variables and a
// sandboxed registry, so that no test sees the machine's own RayDeck
// installation or leaves anything behind.
//
// Paths in std::string are UTF-8 on every system.

#include <platform/Files.h>
#include <platform/RegFile.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace rdtest {

using platform::pathFromUtf8;
using platform::utf8FromPath;

// A fresh, uniquely named folder, removed with its contents at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    // The path of relative (UTF-8) inside the folder, as UTF-8.
    std::string operator/(const std::string& relative) const;

private:
    std::filesystem::path path_;
};

// Sets (or, with nullopt, unsets) an environment variable and restores it.
// Programs started meanwhile inherit the change.
class ScopedEnv {
public:
    ScopedEnv(std::string name, const std::optional<std::string>& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> previous_;
};

void writeFile(const std::string& path, const std::string& content);
std::string readFile(const std::string& path);

// A file that the system writes as text: its lines end in "\n" on POSIX and
// in "\r\n" on Windows (text mode). Returns the content with "\n" line ends
// and fails the test on a Windows line that ends in a bare "\n".
std::string readTextFile(const std::string& path);

// The folders and files of one fake installation below the sandbox.
struct FakeInstall {
    std::string binName;        // <name>/bin/raydeck, an existing file
    std::string binFolder;      // <name>/bin
    std::string resourceFolder; // <name>/resources, an existing folder
};

// .reg text: a key line "[<root>\SOFTWARE\Veltor\<subkey>]" (subkey may be
// empty), a string value with its escapes, a dword value.
std::string regKey(platform::RegistryRoot root, const std::string& subkey);
std::string regString(const std::string& name, const std::string& text);
std::string regDword(const std::string& name, unsigned value);
// The key "RayDeck <version>" with the three paths of the installation.
std::string regInstallation(platform::RegistryRoot root, int version, const FakeInstall& installation);

// Where the registry of a sandbox lives; per system (RegistryRedirect*.cpp).
class RegistryRedirect;

// Both registry roots, empty at first, for this process and, when asked,
// for the programs it starts.
//
// POSIX: each root is a file in the sandbox folder (VELTOR_USER_REG,
// VELTOR_MACHINE_REG), which started programs inherit. Windows: for this
// process only, HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE are redirected
// (RegOverridePredefKey) to two scratch keys, so the add-in's RegOpenKeyExW
// and RegQueryValueExW calls run for real and tests running in parallel do
// not meet; with started programs too, SOFTWARE\Veltor of the real roots is
// emptied for the sandbox's lifetime and restored after, and such tests must
// not run in parallel (RESOURCE_LOCK veltor_registry). One sandbox at a time.
class RegistrySandbox {
public:
    enum class Reach { ThisProcess, StartedProgramsToo };
    explicit RegistrySandbox(Reach reach = Reach::ThisProcess);
    ~RegistrySandbox();
    RegistrySandbox(const RegistrySandbox&) = delete;
    RegistrySandbox& operator=(const RegistrySandbox&) = delete;

    // Replaces the content of a root with the keys of body, .reg text
    // without the export header (regKey, regString, regDword).
    void writeUser(const std::string& body) const;
    void writeMachine(const std::string& body) const;

    FakeInstall makeInstallation(const std::string& name) const;

    TempDir dir;

private:
    std::unique_ptr<RegistryRedirect> redirect_;
};

} // namespace rdtest
