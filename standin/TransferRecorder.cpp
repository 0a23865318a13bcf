#include "TransferRecorder.h"

#include <platform/PrivateFolder.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace standin::raydeck {

namespace {

namespace fs = std::filesystem;

// A number taken by files made meanwhile is passed over; after this many in
// a row something else is wrong.
constexpr int kMaxTries = 1000;

// The number of a file named as the recorder names them; 0 for any other.
unsigned recordedNumber(const fs::path& file)
{
    const std::string name = file.filename().string();
    if (name.size() < 8 || !name.ends_with(".rdk"))
        return 0;
    unsigned number = 0;
    const char* end = name.data() + name.size() - 4;
    const auto [stop, failure] = std::from_chars(name.data(), end, number);
    return failure == std::errc() && stop == end && transferFileName(number) == name ? number : 0;
}

} // namespace

std::string transferFileName(unsigned number)
{
    char name[32];
    std::snprintf(name, sizeof name, "%04u.rdk", number);
    return name;
}

Recording::Recording(unsigned number, std::string path, std::FILE* file, std::string error)
    : number_(number), path_(std::move(path)), file_(file), error_(std::move(error))
{
    if (file_ != nullptr)
        sink_ = std::make_unique<vel::FileSink>(file_);
}

Recording::~Recording()
{
    if (file_ != nullptr)
        discard();
}

void Recording::fail(const std::string& what)
{
    if (error_.empty())
        error_ = what + " " + path_ + ": " + std::strerror(errno != 0 ? errno : EIO);
}

void Recording::append(const char* data, std::size_t size)
{
    if (file_ == nullptr || !error_.empty() || size == 0)
        return;
    sink_->write(data, size);
    if (sink_->error() != 0) {
        errno = sink_->error();
        fail("cannot write");
    }
}

bool Recording::finish()
{
    if (file_ == nullptr)
        return false;
    sink_->flush();
    if (sink_->error() != 0) {
        errno = sink_->error();
        fail("cannot write");
    }
    sink_.reset();
    errno = 0;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!closed)
        fail("cannot write");
    if (!error_.empty()) {
        std::error_code ignored;
        fs::remove(path_, ignored);
        return false;
    }
    return true;
}

void Recording::discard()
{
    if (file_ != nullptr) {
        sink_.reset(); // what it drains is removed with the file
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!path_.empty()) {
        std::error_code ignored;
        fs::remove(path_, ignored);
    }
}

TransferRecorder::TransferRecorder(std::string folder, unsigned keep)
    : folder_(std::move(folder)), keep_(std::max(keep, 1u))
{
}

unsigned TransferRecorder::highestRecorded() const
{
    unsigned highest = 0;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder_, error))
        highest = std::max(highest, recordedNumber(entry.path()));
    return highest;
}

std::unique_ptr<Recording> TransferRecorder::begin()
{
    std::error_code ignored;
    fs::create_directories(folder_, ignored);
    last_ = std::max(last_, highestRecorded());
    for (int attempt = 0; attempt < kMaxTries; ++attempt) {
        const unsigned number = ++last_;
        const std::string path = (fs::path(folder_) / transferFileName(number)).string();
        if (std::FILE* file = platform::createNewFile(path))
            return std::unique_ptr<Recording>(new Recording(number, path, file, {}));
        if (errno != EEXIST)
            return std::unique_ptr<Recording>(
                new Recording(number, {}, nullptr, "cannot create " + path + ": " + std::strerror(errno)));
    }
    return std::unique_ptr<Recording>(new Recording(++last_, {}, nullptr, "no free number in " + folder_));
}

PrunedRecordings::PrunedRecordings(PrunedRecordings&& other) noexcept : open_(std::exchange(other.open_, {})) {}

PrunedRecordings& PrunedRecordings::operator=(PrunedRecordings&& other) noexcept
{
    if (this != &other) {
        release();
        open_ = std::exchange(other.open_, {});
    }
    return *this;
}

PrunedRecordings::~PrunedRecordings()
{
    release();
}

void PrunedRecordings::release()
{
#ifndef _WIN32
    for (const int descriptor : open_)
        ::close(descriptor);
#endif
    open_.clear();
}

PrunedRecordings TransferRecorder::prune(const std::vector<unsigned>& busy)
{
    PrunedRecordings pruned;
    std::vector<std::pair<unsigned, fs::path>> recorded;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder_, error)) {
        const unsigned number = recordedNumber(entry.path());
        if (number != 0 && std::find(busy.begin(), busy.end(), number) == busy.end() && entry.is_regular_file(error))
            recorded.emplace_back(number, entry.path());
    }
    if (recorded.size() <= keep_)
        return pruned;
    std::sort(recorded.begin(), recorded.end());
    for (std::size_t i = 0; i + keep_ < recorded.size(); ++i) {
#ifndef _WIN32
        // Open while its name goes, so that its pages go when `pruned` does.
        const int descriptor = ::open(recorded[i].second.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fs::remove(recorded[i].second, error) && descriptor >= 0)
            pruned.open_.push_back(descriptor);
        else if (descriptor >= 0)
            ::close(descriptor);
#else
        fs::remove(recorded[i].second, error);
#endif
    }
    return pruned;
}

} // namespace standin::raydeck
