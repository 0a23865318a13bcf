#pragma once
// Test helpers: a temporary folder, scoped environment variables and a
// sandboxed registry whose two root files live in the temporary folder
// (VELTOR_USER_REG / VELTOR_MACHINE_REG), so that no test sees the machine's
// own registry files.

#include <Registry.h>

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
    // path() / relative as a string.
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

// The folders and files of one fake installation.
struct Installation {
    std::string folder;         // <dir>/<name>
    std::string binName;        // <folder>/bin/raydeck, an existing file
    std::string binFolder;      // <folder>/bin
    std::string resourceFolder; // <folder>/resources, an existing folder
};

class RegistrySandbox {
public:
    RegistrySandbox();

    // Writes the root file: the export header, then body.
    void writeUser(const std::string& body) const;
    void writeMachine(const std::string& body) const;
    std::string userFile() const { return dir / "user.reg"; }
    std::string machineFile() const { return dir / "system.reg"; }

    // Creates the folders and the executable of an installation named name.
    Installation makeInstallation(const std::string& name) const;

    // "[<root>\SOFTWARE\Veltor\<subkey>]" and a newline; subkey may be empty.
    static std::string key(platform::RegistryRoot root, const std::string& subkey);
    // The key "RayDeck <version>" with "BinName", "ResourceFolder" and
    // "BinFolder" of the installation.
    static std::string installationKey(platform::RegistryRoot root, int version, const Installation& installation);
    // "name"="text" with .reg escaping, and a newline.
    static std::string stringValue(const std::string& name, const std::string& text);
    static std::string dwordValue(const std::string& name, unsigned value);

    TempDir dir;

private:
    ScopedEnv user_;
    ScopedEnv machine_;
};

} // namespace rdtest
