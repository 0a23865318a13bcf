// The registry seam on the real Windows registry, under both roots: which
// value types read as what, and the buffer sizes that decide whether a
// string fits. Values are written with RegSetValueExW into scratch keys of
// this process, so nothing of the machine's own is touched.

#include <platform/Registry.h>
#include <platform/Services.h>

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

using platform::RegistryRoot;

namespace {

// HK??\Software\RayDeckTests\real-<pid>-<n>, volatile, removed at the end.
class ScratchKey {
public:
    explicit ScratchKey(RegistryRoot root)
        : root_(root),
          path_(L"Software\\RayDeckTests\\real-" + std::to_wstring(GetCurrentProcessId()) + L"-"
                + std::to_wstring(counter_++))
    {
        HKEY parent = nullptr;
        EXPECT_EQ(RegCreateKeyExW(rootKey(), L"Software\\RayDeckTests", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  &parent, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(parent);
        EXPECT_EQ(RegCreateKeyExW(rootKey(), path_.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                                  nullptr, &key_, nullptr),
                  ERROR_SUCCESS);
    }
    ~ScratchKey()
    {
        RegCloseKey(key_);
        RegDeleteTreeW(rootKey(), path_.c_str());
    }
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;

    // The key's path below its root, as the seam takes it.
    std::string path() const { return std::string(path_.begin(), path_.end()); }

    void set(const wchar_t* name, DWORD type, const void* data, DWORD size) const
    {
        ASSERT_EQ(RegSetValueExW(key_, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
    }
    // A string value with its terminator, as installers write them.
    void setText(const wchar_t* name, const std::wstring& text, DWORD type = REG_SZ) const
    {
        set(name, type, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
    void setDword(const wchar_t* name, DWORD value) const { set(name, REG_DWORD, &value, sizeof value); }

    std::unique_ptr<platform::RegistryKey> open() const
    {
        return platform::services().registry->open(root_, path());
    }

private:
    HKEY rootKey() const { return root_ == RegistryRoot::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }

    static inline unsigned counter_ = 0;
    RegistryRoot root_;
    std::wstring path_;
    HKEY key_ = nullptr;
};

class Registry : public testing::TestWithParam<RegistryRoot> {};

} // namespace

INSTANTIATE_TEST_SUITE_P(BothRoots, Registry, testing::Values(RegistryRoot::CurrentUser, RegistryRoot::LocalMachine),
                         [](const auto& param) {
                             return param.param == RegistryRoot::CurrentUser ? "CurrentUser" : "LocalMachine";
                         });

TEST_P(Registry, StringsAreReadOnlyFromStringValuesAndNumbersOnlyFromDwords)
{
    const ScratchKey scratch(GetParam());
    scratch.setText(L"Path", L"C:\\Program Files\\Veltor\\RayDeck 9\\bin\\raydeck.exe");
    scratch.setText(L"Expand", L"%ProgramFiles%\\Veltor", REG_EXPAND_SZ);
    scratch.setDword(L"Port", 5000);
    scratch.setText(L"PortText", L"5000");
    const std::uint64_t wide = 5000;
    scratch.set(L"Qword", REG_QWORD, &wide, sizeof wide);
    const unsigned char four[4] = {0x88, 0x13, 0, 0};
    scratch.set(L"Binary", REG_BINARY, four, sizeof four);
    // Two bytes of text: small enough for a dword's buffer, still no number.
    scratch.setText(L"Short", L"");

    const auto key = scratch.open();
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->queryString("Path", 520), "C:\\Program Files\\Veltor\\RayDeck 9\\bin\\raydeck.exe");
    EXPECT_EQ(key->queryString("PATH", 520), key->queryString("Path", 520)); // names in any case
    EXPECT_EQ(key->queryDword("Port"), 5000u);
    EXPECT_EQ(key->queryString("PortText", 512), "5000");
    EXPECT_EQ(key->queryString("Short", 520), "");

    // An unexpanded %variable% is no path: REG_EXPAND_SZ is not taken.
    EXPECT_EQ(key->queryString("Expand", 2048), std::nullopt);
    EXPECT_EQ(key->queryDword("PortText"), std::nullopt);
    EXPECT_EQ(key->queryDword("Short"), std::nullopt);
    EXPECT_EQ(key->queryDword("Qword"), std::nullopt);
    EXPECT_EQ(key->queryDword("Binary"), std::nullopt);
    EXPECT_EQ(key->queryString("Port", 520), std::nullopt);
    EXPECT_EQ(key->queryString("Missing", 520), std::nullopt);
    EXPECT_EQ(key->queryDword("Missing"), std::nullopt);

    EXPECT_EQ(platform::services().registry->open(GetParam(), scratch.path() + "\\Absent"), nullptr);
}

TEST_P(Registry, AStringFitsItsBufferWithItsTerminatorOrIsNotReadAtAll)
{
    const ScratchKey scratch(GetParam());
    // 520 bytes: 259 characters and the terminator; 2048 bytes: 1023.
    scratch.setText(L"Fits520", std::wstring(259, L'a'));
    scratch.setText(L"Over520", std::wstring(260, L'b'));
    scratch.setText(L"Fits2048", std::wstring(1023, L'c'));
    scratch.setText(L"Over2048", std::wstring(1024, L'd'));
    // Characters outside the first plane take two units: 129 of them and the
    // terminator are 518 bytes, one more does not fit.
    std::wstring pairs;
    for (int i = 0; i < 129; ++i)
        pairs += L"\xD83C\xDFA5"; // U+1F3A5
    scratch.setText(L"Pairs", pairs);
    scratch.setText(L"PairsOver", pairs + L"\xD83C\xDFA5");

    const auto key = scratch.open();
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->queryString("Fits520", 520), std::string(259, 'a'));
    EXPECT_EQ(key->queryString("Over520", 520), std::nullopt);
    EXPECT_EQ(key->queryString("Over520", 2048), std::string(260, 'b'));
    EXPECT_EQ(key->queryString("Fits2048", 2048), std::string(1023, 'c'));
    EXPECT_EQ(key->queryString("Over2048", 2048), std::nullopt);
    std::string utf8Pairs;
    for (int i = 0; i < 129; ++i)
        utf8Pairs += "\xF0\x9F\x8E\xA5";
    EXPECT_EQ(key->queryString("Pairs", 520), utf8Pairs);
    EXPECT_EQ(key->queryString("PairsOver", 520), std::nullopt);
}

TEST_P(Registry, AStringStoredWithoutItsTerminatorIsReadWholeAndNoFurther)
{
    const ScratchKey scratch(GetParam());
    // RegQueryValueExW hands such a value back unterminated; 260 characters
    // are exactly 520 bytes. (RegSetValueExW counts a terminator that the
    // caller left out when one follows the data, so none may follow.)
    const std::wstring text = std::wstring(260, L'x') + L"y";
    scratch.set(L"Bare", REG_SZ, text.data(), 260 * sizeof(wchar_t));
    const std::wstring odd = L"\u0101\u0102\u0103";
    scratch.set(L"OddBytes", REG_SZ, odd.data(), 5); // half a character at the end

    const auto key = scratch.open();
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->queryString("Bare", 520), std::string(260, 'x'));
    EXPECT_EQ(key->queryString("Bare", 518), std::nullopt);
    EXPECT_EQ(key->queryString("OddBytes", 520), "\xC4\x81\xC4\x82");
}

TEST_P(Registry, NamesAndValuesBeyondTheAnsiCodePageRoundTrip)
{
    const ScratchKey scratch(GetParam());
    const std::wstring folder = L"C:\\Program Files\\Veltor\\R\u00E9sum\u00E9 \u65E5\u672C \xD83C\xDFA5";
    scratch.setText(L"Ordner \u00FC", folder);

    const auto key = scratch.open();
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->queryString("Ordner \xC3\xBC", 520),
              "C:\\Program Files\\Veltor\\R\xC3\xA9sum\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x8E\xA5");
}
