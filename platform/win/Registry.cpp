#include <platform/Native.h>
#include "Wide.h"

#include <windows.h>

#include <vector>

namespace platform {

namespace {

class WinRegistryKey final : public RegistryKey {
public:
    explicit WinRegistryKey(HKEY key) : key_(key) {}
    ~WinRegistryKey() override { RegCloseKey(key_); }

    std::optional<std::string> queryString(std::string_view name, std::size_t bufferBytes) const override
    {
        // Two spare zero characters: RegQueryValueExW does not terminate a
        // value that was stored without its terminator.
        std::vector<wchar_t> buffer(bufferBytes / sizeof(wchar_t) + 2, L'\0');
        DWORD type = REG_NONE;
        DWORD size = static_cast<DWORD>(bufferBytes);
        const std::wstring valueName = wide(name);
        const LSTATUS status = RegQueryValueExW(key_, valueName.c_str(), nullptr, &type,
                                                reinterpret_cast<BYTE*>(buffer.data()), &size);
        if (status != ERROR_SUCCESS || type != REG_SZ)
            return std::nullopt;
        const std::size_t characters = size / sizeof(wchar_t);
        std::wstring_view text(buffer.data(), characters);
        text = text.substr(0, text.find(L'\0'));
        return narrow(text);
    }

    std::optional<std::uint32_t> queryDword(std::string_view name) const override
    {
        DWORD value = 0;
        DWORD type = REG_NONE;
        DWORD size = sizeof value;
        const std::wstring valueName = wide(name);
        const LSTATUS status = RegQueryValueExW(key_, valueName.c_str(), nullptr, &type,
                                                reinterpret_cast<BYTE*>(&value), &size);
        if (status != ERROR_SUCCESS || type != REG_DWORD || size != sizeof value)
            return std::nullopt;
        return static_cast<std::uint32_t>(value);
    }

private:
    HKEY key_;
};

class WinRegistry final : public Registry {
public:
    std::unique_ptr<RegistryKey> open(RegistryRoot root, std::string_view path) override
    {
        const HKEY rootKey = root == RegistryRoot::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
        const std::wstring subKey = wide(path);
        HKEY key = nullptr;
        if (RegOpenKeyExW(rootKey, subKey.c_str(), 0, kKeyRead, &key) != ERROR_SUCCESS)
            return nullptr;
        return std::make_unique<WinRegistryKey>(key);
    }
};

static_assert(kKeyRead == KEY_READ);

} // namespace

Registry& native::registry()
{
    static WinRegistry instance;
    return instance;
}

std::optional<std::string> registryRootFile(RegistryRoot)
{
    return std::nullopt;
}

} // namespace platform
