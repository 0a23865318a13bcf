#include "GoldenFile.h"
#include "Sandbox.h"
#include "SourceTree.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

std::string goldenPath(const std::string& path)
{
    return rdtest::utf8FromPath(rdtest::sourcePath("tests/" + path));
}

std::vector<std::string_view> lines(std::string_view text)
{
    std::vector<std::string_view> out;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::size_t size = end == std::string_view::npos ? text.size() : end + 1;
        out.push_back(text.substr(0, size));
        text.remove_prefix(size);
    }
    return out;
}

} // namespace

std::string escaped(std::string_view bytes)
{
    static const char hex[] = "0123456789abcdef";
    std::string out = "\"";
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '\n')
            out += "\\n";
        else if (c == '"' || c == '\\')
            (out += '\\') += c;
        else if (b < 0x20 || b >= 0x7f)
            ((out += "\\x") += hex[b >> 4]) += hex[b & 15];
        else
            out += c;
    }
    return out + "\"";
}

std::string readGoldenFile(const std::string& name)
{
    return rdtest::readFile(goldenPath(name));
}

::testing::AssertionResult matchesGoldenFile(const std::string& name, std::string_view actual)
{
    const char* update = std::getenv("RD_UPDATE_GOLDEN");
    if (update && std::string(update) == "1") {
        std::ofstream(goldenPath(name), std::ios::binary).write(actual.data(), static_cast<std::streamsize>(actual.size()));
        return ::testing::AssertionSuccess() << "rewrote " << name;
    }
    std::ifstream in(goldenPath(name), std::ios::binary);
    if (!in)
        return ::testing::AssertionFailure() << "golden file missing: " << goldenPath(name)
                                             << " (RD_UPDATE_GOLDEN=1 writes it)";
    const std::string expected = readGoldenFile(name);
    if (expected == actual)
        return ::testing::AssertionSuccess();

    const auto want = lines(expected);
    const auto got = lines(actual);
    std::size_t i = 0;
    while (i < want.size() && i < got.size() && want[i] == got[i])
        ++i;
    std::ostringstream report;
    report << name << ": first difference in line " << i + 1 << " (" << expected.size() << " bytes expected, "
           << actual.size() << " written)\n";
    const std::size_t from = i >= 2 ? i - 2 : 0;
    for (std::size_t k = from; k < i; ++k)
        report << "    " << escaped(want[k]) << "\n";
    report << "  - " << (i < want.size() ? escaped(want[i]) : "(end of file)") << "\n";
    report << "  + " << (i < got.size() ? escaped(got[i]) : "(end of file)") << "\n";
    for (std::size_t k = i + 1; k < i + 3 && k < got.size(); ++k)
        report << "  + " << escaped(got[k]) << "\n";
    return ::testing::AssertionFailure() << report.str();
}
