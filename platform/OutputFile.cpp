#include "OutputFile.h"

#include <cerrno>
#include <random>

namespace platform {

std::unique_ptr<OutputFile> OutputFile::adopt(std::FILE* stream)
{
    std::unique_ptr<OutputFile> file(new OutputFile);
    file->stream_ = stream;
    return file;
}

OutputFile::~OutputFile()
{
    abandon();
}

int OutputFile::abandon()
{
    if (stream_ == nullptr)
        return 0;
    errno = 0;
    const bool closed = std::fclose(stream_) == 0;
    const int failure = closed ? 0 : errno != 0 ? errno : EIO;
    stream_ = nullptr;
    if (!partial_.empty()) {
        removeQuietly(partial_);
        partial_.clear();
        return 0; // nothing of it was to stay
    }
    return failure;
}

int OutputFile::commit()
{
    if (stream_ == nullptr)
        return 0;
    std::FILE* stream = stream_;
    stream_ = nullptr;
    errno = 0;
    if (partial_.empty()) {
        if (std::fclose(stream) != 0)
            return errno != 0 ? errno : EIO;
        return 0;
    }
    int failure = closeDurably(stream);
    if (failure == 0)
        failure = moveOver(partial_, destination_);
    if (failure != 0)
        removeQuietly(partial_);
    partial_.clear();
    return failure;
}

int OutputFile::closeDurably(std::FILE* stream)
{
    int failure = 0;
    errno = 0;
    if (std::fflush(stream) != 0)
        failure = errno != 0 ? errno : EIO;
    else
        failure = syncToDisk(stream);
    errno = 0;
    if (std::fclose(stream) != 0 && failure == 0)
        failure = errno != 0 ? errno : EIO;
    return failure;
}

std::string OutputFile::partialNameFor(const std::string& base)
{
    // Room for the suffix within the 255 bytes (POSIX) or UTF-16 units
    // (Windows) a name may have; the cut keeps UTF-8 sequences whole.
    constexpr std::size_t kLongestBase = 200;
    std::size_t keep = base.size();
    if (keep > kLongestBase) {
        keep = kLongestBase;
        while (keep > 0 && (static_cast<unsigned char>(base[keep]) & 0xC0) == 0x80)
            --keep;
    }
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device random;
    std::string name = base.substr(0, keep) + ".";
    for (int i = 0; i < 6; ++i)
        name += kLetters[random() % (sizeof kLetters - 1)];
    return name + ".partial";
}

} // namespace platform
