#pragma once
// Test helpers: a temporary folder, scoped environment variables and a
// sandboxed registry whose two root files live in the temporary folder
// (VELTOR_USER_REG / VELTOR_MACHINE_REG), so that no test sees the machine's
// own registry files.

#include <RegFile.h>

#include <filesystem>
#include <optional>
#include <string>

namespace rdtest {

// A fresh, uniquely named folder, removed with its contents at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string operator/(const std::string& relative) const { return (path_ / relative).string(); }

private:
    std::filesystem::path path_;
};

// Sets (or, with nullopt, unsets) an environment variable and restores it.
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

class RegistrySandbox {
public:
    RegistrySandbox();

    // Writes a root file: the export header, then body.
    void writeUser(const std::string& body) const;
    void writeMachine(const std::string& body) const;
    std::string machineFile() const { return dir / "system.reg"; }

    FakeInstall makeInstallation(const std::string& name) const;

    TempDir dir;

private:
    ScopedEnv user_;
    ScopedEnv machine_;
};

} // namespace rdtest
