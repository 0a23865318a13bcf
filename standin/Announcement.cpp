#include "Announcement.h"

#include <platform/PrivateFolder.h>
#include <platform/ProcessInfo.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <system_error>

namespace standin::raydeck {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kFolderName = "veltor-raydeck";
constexpr std::string_view kFirstLine = "raydeck-standin 1";
constexpr std::string_view kSuffix = ".announce";
constexpr std::size_t kTokenDigits = 32;
// An announcement is a few lines; anything longer is not one.
constexpr std::uintmax_t kMaxFileSize = 4096;

template <typename T>
std::optional<T> number(std::string_view text, T lowest, T highest)
{
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < lowest || value > highest)
        return std::nullopt;
    return value;
}

bool isToken(std::string_view text)
{
    return text.size() == kTokenDigits && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

std::optional<std::string> readSmallFile(const fs::path& path)
{
    std::error_code error;
    const std::uintmax_t size = fs::file_size(path, error);
    if (error || size > kMaxFileSize)
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The process id that names the file, when the name is "<digits>.announce".
std::optional<std::uint64_t> processIdOfName(const std::string& name)
{
    if (name.size() <= kSuffix.size() || !name.ends_with(kSuffix))
        return std::nullopt;
    return number<std::uint64_t>(std::string_view(name).substr(0, name.size() - kSuffix.size()), 1,
                                 UINT64_MAX);
}

} // namespace

std::string announcementFolder(std::string* whyNot)
{
    return platform::privateRuntimeFolder(kFolderName, whyNot);
}

std::string announcementPath(const std::string& folder, std::uint64_t processId)
{
    return (fs::path(folder) / (std::to_string(processId) + std::string(kSuffix))).string();
}

std::string formatAnnouncement(const Announcement& a)
{
    std::ostringstream text;
    text << kFirstLine << '\n'
         << "pid " << a.processId << '\n'
         << "version " << a.majorVersion << '\n'
         << "port " << a.port << '\n'
         << "token " << a.token << '\n'
         << "started " << a.startedMilliseconds << '\n';
    return text.str();
}

std::optional<Announcement> parseAnnouncement(std::string_view text)
{
    std::map<std::string, std::string, std::less<>> fields;
    bool first = true;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos)
            return std::nullopt; // every line ends in a line feed, the last one too
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end + 1);
        if (first) {
            if (line != kFirstLine)
                return std::nullopt;
            first = false;
            continue;
        }
        const std::size_t blank = line.find(' ');
        if (blank == std::string_view::npos)
            return std::nullopt;
        if (!fields.emplace(std::string(line.substr(0, blank)), std::string(line.substr(blank + 1))).second)
            return std::nullopt;
    }
    if (first || fields.size() != 5)
        return std::nullopt;
    const auto field = [&](std::string_view key) -> const std::string* {
        const auto it = fields.find(key);
        return it != fields.end() ? &it->second : nullptr;
    };
    const std::string* pid = field("pid");
    const std::string* version = field("version");
    const std::string* port = field("port");
    const std::string* token = field("token");
    const std::string* started = field("started");
    if (!pid || !version || !port || !token || !started || !isToken(*token))
        return std::nullopt;
    const auto pidValue = number<std::uint64_t>(*pid, 1, UINT64_MAX);
    const auto versionValue = number<int>(*version, 1, 99);
    const auto portValue = number<int>(*port, 1, 65535);
    const auto startedValue = number<std::uint64_t>(*started, 0, UINT64_MAX);
    if (!pidValue || !versionValue || !portValue || !startedValue)
        return std::nullopt;
    return Announcement{*pidValue, *versionValue, *portValue, *token, *startedValue};
}

bool writeAnnouncement(const std::string& folder, const Announcement& announcement, std::string* whyNot)
{
    const auto fail = [&](const std::string& reason) {
        if (whyNot != nullptr)
            *whyNot = reason;
        return false;
    };
    const std::string path = announcementPath(folder, announcement.processId);
    const std::string temporary = path + ".tmp";
    std::error_code ignored;
    fs::remove(temporary, ignored); // left by an earlier process of the same id
    std::FILE* file = platform::createNewFile(temporary);
    if (file == nullptr)
        return fail("cannot create " + temporary + ": " + std::strerror(errno));
    const std::string text = formatAnnouncement(announcement);
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        fs::remove(temporary, ignored);
        return fail("cannot write " + temporary);
    }
    std::error_code error;
    fs::rename(temporary, path, error);
    if (error) {
        fs::remove(temporary, ignored);
        return fail("cannot rename " + temporary + ": " + error.message());
    }
    return true;
}

void removeAnnouncement(const std::string& folder, std::uint64_t processId)
{
    std::error_code ignored;
    fs::remove(announcementPath(folder, processId), ignored);
}

std::vector<Announcement> runningAnnouncements(const std::string& folder)
{
    std::vector<Announcement> found;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        const std::optional<std::uint64_t> named = processIdOfName(entry.path().filename().string());
        if (!named)
            continue;
        const std::optional<std::string> text = readSmallFile(entry.path());
        if (!text)
            continue;
        std::optional<Announcement> announcement = parseAnnouncement(*text);
        if (!announcement || announcement->processId != *named || !platform::processExists(*named))
            continue;
        found.push_back(std::move(*announcement));
    }
    std::sort(found.begin(), found.end(), [](const Announcement& a, const Announcement& b) {
        return a.startedMilliseconds != b.startedMilliseconds ? a.startedMilliseconds < b.startedMilliseconds
                                                              : a.processId < b.processId;
    });
    return found;
}

void removeStaleAnnouncements(const std::string& folder)
{
    std::error_code error;
    std::vector<fs::path> stale;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        const std::optional<std::uint64_t> named = processIdOfName(entry.path().filename().string());
        if (named && !platform::processExists(*named))
            stale.push_back(entry.path());
    }
    for (const fs::path& path : stale)
        fs::remove(path, error);
}

std::string newToken()
{
    std::random_device source;
    std::string token;
    static constexpr char kDigits[] = "0123456789abcdef";
    while (token.size() < kTokenDigits) {
        const unsigned bits = source();
        for (int shift = 0; shift < 32 && token.size() < kTokenDigits; shift += 4)
            token.push_back(kDigits[(bits >> shift) & 0xF]);
    }
    return token;
}

} // namespace standin::raydeck
