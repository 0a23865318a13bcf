// The sandbox's registry on Windows.
//
// This process only: two scratch keys below
// HKEY_CURRENT_USER\Software\RayDeckTests, one per root, stand in for
// HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE (RegOverridePredefKey). The
// add-in's own calls reach them unchanged, and test programs running at the
// same time each see their own.
//
// Started programs too: a redirection does not reach another process, so the
// sandbox takes SOFTWARE\Veltor of both real roots instead, keeping what was
// there in a backup key and putting it back at the end. Tests of this kind
// must not run at the same time (ctest RESOURCE_LOCK veltor_registry).
#include "RegistryRedirect.h"

#include <platform/RegFile.h>
#include <platform/Utf16.h>

#include <windows.h>

#include <atomic>
#include <stdexcept>
#include <string>

namespace rdtest {

namespace {

constexpr wchar_t kScratchParent[] = L"Software\\RayDeckTests";
constexpr wchar_t kVeltor[] = L"SOFTWARE\\Veltor";

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

HKEY createKey(HKEY parent, const std::wstring& path, DWORD options)
{
    HKEY key = nullptr;
    check(RegCreateKeyExW(parent, path.c_str(), 0, nullptr, options, KEY_ALL_ACCESS, nullptr, &key, nullptr),
          "creating a key");
    return key;
}

// Moves the tree at from (below fromRoot) to to (below toRoot), if there is
// one; true when there was.
bool moveTree(HKEY fromRoot, const wchar_t* from, HKEY toRoot, const std::wstring& to)
{
    HKEY source = nullptr;
    if (RegOpenKeyExW(fromRoot, from, 0, KEY_READ, &source) != ERROR_SUCCESS)
        return false;
    RegDeleteTreeW(toRoot, to.c_str());
    HKEY target = createKey(toRoot, to, 0);
    const LSTATUS copied = RegCopyTreeW(source, nullptr, target);
    RegCloseKey(target);
    RegCloseKey(source);
    check(copied, "copying a tree");
    check(RegDeleteTreeW(fromRoot, from), "removing a tree");
    return true;
}

// Creates the key at path below parent and writes its values.
void writeKey(HKEY parent, const std::string& path, DWORD options, const platform::RegKeyData& data)
{
    const HKEY key = createKey(parent, wide(path), options);
    struct Close {
        HKEY key;
        ~Close() { RegCloseKey(key); }
    } close{key};
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
        check(RegSetValueExW(key, wide(name).c_str(), 0, value.type, bytes, size), "writing a value");
    }
}

std::atomic<bool> active{false};

} // namespace

struct RegistryRedirect::State {
    bool realRoots = false;
    std::wstring ownPath; // below HKEY_CURRENT_USER: scratch keys or backups
    HKEY user = nullptr;  // the scratch roots (this process only)
    HKEY machine = nullptr;
    bool hadUser = false; // backups taken (started programs too)
    bool hadMachine = false;
};

RegistryRedirect::RegistryRedirect(const std::filesystem::path&, bool startedProgramsToo)
    : state_(std::make_unique<State>())
{
    if (active.exchange(true))
        throw std::logic_error("registry sandbox: only one at a time");
    static std::atomic<unsigned> counter{0};
    state_->realRoots = startedProgramsToo;
    state_->ownPath = std::wstring(kScratchParent) + L"\\" + std::to_wstring(GetCurrentProcessId()) + L"-"
                      + std::to_wstring(counter++);
    RegCloseKey(createKey(HKEY_CURRENT_USER, kScratchParent, 0));
    RegDeleteTreeW(HKEY_CURRENT_USER, state_->ownPath.c_str());

    if (state_->realRoots) {
        // Backups are kept on disk, so that a crash loses nothing.
        state_->hadUser = moveTree(HKEY_CURRENT_USER, kVeltor, HKEY_CURRENT_USER, state_->ownPath + L"\\user");
        state_->hadMachine =
            moveTree(HKEY_LOCAL_MACHINE, kVeltor, HKEY_CURRENT_USER, state_->ownPath + L"\\machine");
        return;
    }
    // Volatile keys: whatever a crashed test left behind is gone at the next
    // start of the registry, never written to disk.
    HKEY own = createKey(HKEY_CURRENT_USER, state_->ownPath, REG_OPTION_VOLATILE);
    state_->user = createKey(own, L"user", REG_OPTION_VOLATILE);
    state_->machine = createKey(own, L"machine", REG_OPTION_VOLATILE);
    RegCloseKey(own);
    check(RegOverridePredefKey(HKEY_CURRENT_USER, state_->user), "redirecting HKEY_CURRENT_USER");
    check(RegOverridePredefKey(HKEY_LOCAL_MACHINE, state_->machine), "redirecting HKEY_LOCAL_MACHINE");
}

RegistryRedirect::~RegistryRedirect()
{
    if (state_->realRoots) {
        RegDeleteTreeW(HKEY_CURRENT_USER, kVeltor);
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, kVeltor);
        try {
            if (state_->hadUser)
                moveTree(HKEY_CURRENT_USER, (state_->ownPath + L"\\user").c_str(), HKEY_CURRENT_USER, kVeltor);
            if (state_->hadMachine)
                moveTree(HKEY_CURRENT_USER, (state_->ownPath + L"\\machine").c_str(), HKEY_LOCAL_MACHINE, kVeltor);
        } catch (const std::exception&) {
            // The backup stays below Software\RayDeckTests.
            active = false;
            return;
        }
    } else {
        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
        RegCloseKey(state_->user);
        RegCloseKey(state_->machine);
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, state_->ownPath.c_str());
    active = false;
}

void RegistryRedirect::write(platform::RegistryRoot root, const std::string& regText) const
{
    const platform::RegFile file = platform::RegFile::parse(regText, root);
    if (!file.ok())
        throw std::runtime_error("registry sandbox: " + file.error());
    const bool user = root == platform::RegistryRoot::CurrentUser;
    if (!state_->realRoots) {
        const HKEY rootKey = user ? state_->user : state_->machine;
        check(RegDeleteTreeW(rootKey, nullptr), "emptying a root");
        for (const auto& [path, data] : file.keys())
            writeKey(rootKey, path, REG_OPTION_VOLATILE, data);
        return;
    }

    // Only SOFTWARE\Veltor is the sandbox's; its parents exist anyway.
    const HKEY rootKey = user ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
    RegDeleteTreeW(rootKey, kVeltor);
    const std::string veltor = platform::normaliseKeyPath("SOFTWARE\\Veltor");
    for (const auto& [path, data] : file.keys()) {
        const bool inside = path == veltor || path.rfind(veltor + "\\", 0) == 0;
        if (!inside) {
            if (!data.values.empty() || veltor.rfind(path, 0) != 0)
                throw std::logic_error("registry sandbox: only SOFTWARE\\Veltor may be written, not " + path);
            continue;
        }
        writeKey(rootKey, path, 0, data);
    }
}

} // namespace rdtest
