#pragma once
// Read-only access to the Windows registry, the only place where the renderer
// installation is recorded. Windows reads the real registry
// (RegOpenKeyExW / RegQueryValueExW / RegCloseKey); POSIX reads the two roots
// from files in the registry export format, see RegFile.h.
//
// Names and values are UTF-8 here; the Windows implementation converts them to
// and from UTF-16. Key paths use backslashes and are relative to the root;
// empty components (a leading or trailing backslash) are ignored. Key and
// value names compare case-insensitively, as on Windows.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

enum class RegistryRoot {
    CurrentUser,  // HKEY_CURRENT_USER
    LocalMachine, // HKEY_LOCAL_MACHINE
};

// The access mask every key is opened with (KEY_READ).
inline constexpr std::uint32_t kKeyRead = 0x20019;

// An open key. Destroying it closes it (RegCloseKey).
class RegistryKey {
public:
    virtual ~RegistryKey() = default;

    // Reads a string value (REG_SZ) through a buffer of bufferBytes bytes, the
    // way RegQueryValueExW does: the value as UTF-16 plus its terminating zero
    // must fit, so a buffer of 520 bytes holds at most 259 characters. A
    // missing value, a value of another type or a value too long for the
    // buffer gives nothing.
    virtual std::optional<std::string> queryString(std::string_view name,
                                                   std::size_t bufferBytes) const = 0;

    // Reads a 32-bit number value (REG_DWORD). A missing value or a value of
    // another type gives nothing.
    virtual std::optional<std::uint32_t> queryDword(std::string_view name) const = 0;

    RegistryKey() = default;
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
};

class Registry {
public:
    virtual ~Registry() = default;

    // Opens the key at path below root with KEY_READ; null when it does not
    // exist or cannot be opened.
    virtual std::unique_ptr<RegistryKey> open(RegistryRoot root, std::string_view path) = 0;

    Registry() = default;
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;
};

// Where the system's registry keeps a root, for telling the user what was
// read: on POSIX the file (RegFile.h; empty when there is none to look for),
// on Windows nothing, the roots being the registry itself.
std::optional<std::string> registryRootFile(RegistryRoot root);

} // namespace platform
