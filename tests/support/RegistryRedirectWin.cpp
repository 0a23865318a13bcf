// The sandbox's registry on Windows: two scratch keys below
// HKEY_CURRENT_USER\Software\RayDeckTests, one per root, stand in for
// HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE in this process
// (RegOverridePredefKey). The add-in's own calls then reach them unchanged,
// and processes running at the same time each see their own.
#include "RegistryRedirect.h"

#include <RegFile.h>
#include <Utf16.h>

#include <windows.h>

#include <atomic>
#include <stdexcept>
#include <string>

namespace rdtest {

namespace {

std::wstring wide(std::string_view utf8)
{
    const std::u16string text = platform::utf8ToUtf16(utf8);
    return std::wstring(text.begin(), text.end());
}

void check(LSTATUS status, const std::string& what)
{
    if (status != ERROR_SUCCESS)
        throw std::runtime_error("registry sandbox: " + what + " failed with error " + std::to_string(status));
}

HKEY createKey(HKEY parent, const std::wstring& path)
{
    HKEY key = nullptr;
    check(RegCreateKeyExW(parent, path.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                          nullptr),
          "creating a key");
    return key;
}

std::atomic<bool> active{false};

} // namespace

struct RegistryRedirect::State {
    std::wstring scratchPath;
    HKEY user = nullptr;
    HKEY machine = nullptr;
};

RegistryRedirect::RegistryRedirect(const std::filesystem::path&) : state_(std::make_unique<State>())
{
    if (active.exchange(true))
        throw std::logic_error("registry sandbox: only one at a time");
    static std::atomic<unsigned> counter{0};
    // Volatile keys: whatever a test that crashed left behind is gone at the
    // next start of the registry (wineserver), never written to disk.
    state_->scratchPath = L"Software\\RayDeckTests\\" + std::to_wstring(GetCurrentProcessId()) + L"-"
                          + std::to_wstring(counter++);
    RegDeleteTreeW(HKEY_CURRENT_USER, state_->scratchPath.c_str());
    HKEY scratch = nullptr;
    check(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\RayDeckTests", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                          &scratch, nullptr),
          "creating the scratch key");
    RegCloseKey(scratch);
    HKEY own = createKey(HKEY_CURRENT_USER, state_->scratchPath);
    state_->user = createKey(own, L"user");
    state_->machine = createKey(own, L"machine");
    RegCloseKey(own);
    check(RegOverridePredefKey(HKEY_CURRENT_USER, state_->user), "redirecting HKEY_CURRENT_USER");
    check(RegOverridePredefKey(HKEY_LOCAL_MACHINE, state_->machine), "redirecting HKEY_LOCAL_MACHINE");
}

RegistryRedirect::~RegistryRedirect()
{
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    RegCloseKey(state_->user);
    RegCloseKey(state_->machine);
    RegDeleteTreeW(HKEY_CURRENT_USER, state_->scratchPath.c_str());
    active = false;
}

void RegistryRedirect::write(platform::RegistryRoot root, const std::string& regText) const
{
    const platform::RegFile file = platform::RegFile::parse(regText, root);
    if (!file.ok())
        throw std::runtime_error("registry sandbox: " + file.error());
    const HKEY rootKey = root == platform::RegistryRoot::CurrentUser ? state_->user : state_->machine;
    check(RegDeleteTreeW(rootKey, nullptr), "emptying a root");
    for (const auto& [path, data] : file.keys()) {
        const HKEY key = createKey(rootKey, wide(path));
        for (const auto& [name, value] : data.values) {
            std::wstring text;
            const BYTE* bytes = nullptr;
            DWORD size = 0;
            DWORD number = value.number;
            if (value.type == platform::RegString) {
                text = wide(value.text);
                bytes = reinterpret_cast<const BYTE*>(text.c_str());
                size = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
            } else if (value.type == platform::RegDword) {
                bytes = reinterpret_cast<const BYTE*>(&number);
                size = sizeof number;
            } else {
                bytes = reinterpret_cast<const BYTE*>(value.bytes.data());
                size = static_cast<DWORD>(value.bytes.size());
            }
            const LSTATUS status = RegSetValueExW(key, wide(name).c_str(), 0, value.type, bytes, size);
            if (status != ERROR_SUCCESS) {
                RegCloseKey(key);
                check(status, "writing a value");
            }
        }
        RegCloseKey(key);
    }
}

} // namespace rdtest
