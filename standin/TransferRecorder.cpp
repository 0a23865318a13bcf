#include "TransferRecorder.h"

#include <platform/PrivateFolder.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace standin::raydeck {

namespace {

namespace fs = std::filesystem;

// A number taken by files made meanwhile is passed over; after this many in
// a row something else is wrong.
constexpr int kMaxTries = 1000;

} // namespace

std::string transferFileName(unsigned number)
{
    char name[32];
    std::snprintf(name, sizeof name, "%04u.rdk", number);
    return name;
}

TransferRecorder::TransferRecorder(std::string folder) : folder_(std::move(folder)) {}

unsigned TransferRecorder::highestRecorded() const
{
    unsigned highest = 0;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder_, error)) {
        const std::string name = entry.path().filename().string();
        if (!name.ends_with(".rdk"))
            continue;
        unsigned number = 0;
        const char* end = name.data() + name.size() - 4;
        const auto [stop, failure] = std::from_chars(name.data(), end, number);
        if (failure == std::errc() && stop == end)
            highest = std::max(highest, number);
    }
    return highest;
}

RecordedTransfer TransferRecorder::record(std::string_view bytes)
{
    RecordedTransfer recorded;
    std::error_code error;
    fs::create_directories(folder_, error);
    last_ = std::max(last_, highestRecorded());
    for (int attempt = 0; attempt < kMaxTries; ++attempt) {
        recorded.number = ++last_;
        const std::string path = (fs::path(folder_) / transferFileName(recorded.number)).string();
        std::FILE* file = platform::createNewFile(path);
        if (file == nullptr) {
            if (errno == EEXIST)
                continue;
            recorded.error = "cannot create " + path + ": " + std::strerror(errno);
            return recorded;
        }
        const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
        const bool closed = std::fclose(file) == 0;
        if (!written || !closed) {
            fs::remove(path, error);
            recorded.error = "cannot write " + path;
            return recorded;
        }
        recorded.path = path;
        return recorded;
    }
    recorded.error = "no free number in " + folder_;
    return recorded;
}

} // namespace standin::raydeck
