#include <platform/RegFile.h>
#include <platform/Utf16.h>

#include <gtest/gtest.h>

#include <string>

using platform::RegFile;
using platform::RegistryRoot;
using platform::RegValue;

namespace {

const RegValue* valueAt(const RegFile& file, const std::string& key, const std::string& name)
{
    const auto* data = file.find(key);
    return data != nullptr ? RegFile::value(*data, name) : nullptr;
}

} // namespace

// As regedit saves it: UTF-16LE with a byte-order mark; as people write it:
// UTF-8, with or without one. CRLF, comments, escapes, hex values split over
// lines, sections repeated in another case.
TEST(RegFile, ReadsWhatRegeditWritesInEveryEncoding)
{
    const std::string text =
        "Windows Registry Editor Version 5.00\r\n"
        "\r\n"
        "; written by hand\r\n"
        "[HKEY_CURRENT_USER\\SOFTWARE\\Veltor\\RayDeck 9]\r\n"
        "\"BinName\"=\"C:\\\\Program Files\\\\ray\\\"deck\\\".exe\"\r\n"
        "\"Name\"=\"caf\xC3\xA9\"\r\n"
        "\"LiveLinkPort\"=dword:0000abcd\r\n"
        "@=\"default\"\r\n"
        "\r\n"
        "[hkey_current_user\\software\\veltor\\raydeck 9]\r\n"
        // "hi" as REG_SZ in UTF-16LE, split over a continuation line.
        "\"Wide\"=hex(1):68,00,69,00,\\\r\n"
        "  00,00\r\n"
        "\"Port\"=hex(4):88,13,00,00\n"
        "\"Blob\"=hex:01,02,03\n";
    std::string utf16 = "\xFF\xFE";
    for (char16_t unit : platform::utf8ToUtf16(text)) {
        utf16.push_back(static_cast<char>(unit & 0xFF));
        utf16.push_back(static_cast<char>(unit >> 8));
    }
    for (const std::string& content : {text, "\xEF\xBB\xBF" + text, utf16}) {
        const RegFile file = RegFile::parse(content, RegistryRoot::CurrentUser);
        ASSERT_TRUE(file.ok()) << file.error();
        const std::string key = "software\\VELTOR\\raydeck 9";
        const RegValue* bin = valueAt(file, key, "binname");
        ASSERT_NE(bin, nullptr);
        EXPECT_EQ(bin->type, platform::RegString);
        EXPECT_EQ(bin->text, "C:\\Program Files\\ray\"deck\".exe");
        EXPECT_EQ(valueAt(file, key, "Name")->text, "caf\xC3\xA9");
        EXPECT_EQ(valueAt(file, key, "LiveLinkPort")->number, 0xabcdu);
        EXPECT_EQ(valueAt(file, key, "")->text, "default");
        EXPECT_EQ(valueAt(file, key, "Wide")->text, "hi");
        EXPECT_EQ(valueAt(file, key, "Wide")->type, platform::RegString);
        EXPECT_EQ(valueAt(file, key, "Port")->number, 5000u);
        EXPECT_EQ(valueAt(file, key, "Blob")->type, platform::RegBinary);
        EXPECT_EQ(valueAt(file, key, "Blob")->bytes, "\x01\x02\x03");

        // Parents exist implicitly; a leading or trailing backslash is ignored.
        EXPECT_NE(file.find("\\SOFTWARE\\Veltor\\"), nullptr);
        EXPECT_NE(file.find(""), nullptr);
        EXPECT_EQ(file.find("SOFTWARE\\Veltor\\RayDeck 8"), nullptr);
        EXPECT_EQ(valueAt(file, key, "Missing"), nullptr);
    }
}

TEST(RegFile, AMalformedFileNamesItsFirstFaultyLineAndHasNoKeys)
{
    const std::string header = "Windows Registry Editor Version 5.00\n";
    const std::string key = "[HKEY_CURRENT_USER\\SOFTWARE]\n";
    const struct {
        std::string content;
        std::string error; // the start of the message
    } cases[] = {
        {"", "line 1: expected the header"},
        {"Windows Registry Editor Version 4.00\n" + key, "line 1: expected the header"},
        {header + "\"v\"=\"1\"\n", "line 2: a value line outside of any key"},
        {header + key + "\"Path\"=\"C:\\Program Files\"\n", "line 3: a backslash in a quoted text"},
        {header + key + "\"v\"=\"open\n", "line 3: a quoted text has no closing"},
        {header + key + "\"v\"=\"a\" b\n", "line 3: unexpected text after"},
        {header + key + "\"v\"=dword:123456789\n", "line 3: a dword value needs"},
        {header + key + "\"v\"=dword:\n", "line 3: a dword value needs"},
        {header + key + "\"v\"=hex:01,zz\n", "line 3: hex data must be"},
        {header + key + "\"v\"=hex(4):01,02\n", "line 3: a hex(4) dword"},
        {header + key + "\"v\"=hex:01,\\\n", "line 3: hex data goes on past"},
        {header + key + "\"v\"=text\n", "line 3: unknown value data"},
        {header + key + "\"v\"=-\n", "line 3: unknown value data"},
        {header + "[-HKEY_CURRENT_USER\\SOFTWARE]\n", "line 2: unknown root \"-HKEY_CURRENT_USER\""},
        {header + key + "v=\"1\"\n", "line 3: expected a key line"},
        {header + "[HKEY_CURRENT_USER\\SOFTWARE\n", "line 2: a key line must end"},
        {header + "[HKEY_LOCAL_MACHINE\\SOFTWARE]\n", "line 2: a key of HKEY_LOCAL_MACHINE in the file of"},
        {header + "[HKEY_USERS\\SOFTWARE]\n", "line 2: unknown root \"HKEY_USERS\""},
        {std::string("\xFF\xFE\x57", 3), "line 1: the UTF-16 text has an odd number"},
    };
    for (const auto& c : cases) {
        const RegFile file = RegFile::parse(c.content, RegistryRoot::CurrentUser);
        EXPECT_FALSE(file.ok()) << c.content;
        EXPECT_EQ(file.error().rfind(c.error, 0), 0u) << c.content << "\ngave: " << file.error();
        EXPECT_EQ(file.find(""), nullptr) << c.content;
    }
}

// Parents exist without being stored: a key 20,000 levels deep costs its own
// line, not a copy of every prefix. Only whole components make a parent.
TEST(RegFile, AKeyManyLevelsDeepHasEveryParent)
{
    std::string deep, half;
    for (int level = 0; level < 20000; ++level) {
        deep += "\\Level";
        if (level == 9999)
            half = deep;
    }
    const RegFile file = RegFile::parse("Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER" + deep
                                            + "]\n\"v\"=\"1\"\n[HKEY_CURRENT_USER\\a\\bc]\n",
                                        RegistryRoot::CurrentUser);
    ASSERT_TRUE(file.ok()) << file.error();
    EXPECT_EQ(valueAt(file, deep, "v")->text, "1");
    const struct {
        std::string path;
        bool found;
    } cases[] = {
        {"LEVEL", true}, {half, true}, {"a", true}, {"a\\bc", true},
        {"Lev", false}, {deep + "\\Level", false}, {"a\\b", false}, {"b", false},
    };
    for (const auto& c : cases) {
        const auto* key = file.find(c.path);
        EXPECT_EQ(key != nullptr, c.found) << c.path.substr(0, 40);
        if (key != nullptr && c.path != deep) {
            EXPECT_TRUE(key->values.empty());
        }
    }
    EXPECT_EQ(file.keys().size(), 3u); // the root and the two keys named
}
