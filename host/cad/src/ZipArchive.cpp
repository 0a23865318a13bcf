#include "ZipArchive.h"

#include <StandIn/DesignError.h>

#include <minizip/unzip.h>

#include <algorithm>
#include <climits>
#include <string>
#include <utility>

namespace standin::host::cad {

ZipArchive::ZipArchive(const std::filesystem::path& file, std::string source) : source_(std::move(source))
{
    zip_ = unzOpen64(file.c_str());
    if (!zip_)
        throw DesignError(source_, "", "not a zip archive, or its directory is damaged");
}

ZipArchive::~ZipArchive()
{
    closeEntry();
    unzClose(zip_);
}

void ZipArchive::closeEntry()
{
    if (entryOpen_)
        unzCloseCurrentFile(zip_);
    entryOpen_ = false;
}

bool ZipArchive::open(const std::string& name)
{
    closeEntry();
    entry_ = name;
    size_ = 0;
    if (unzLocateFile(zip_, name.c_str(), 1) != UNZ_OK)
        return false;
    unz_file_info64 info{};
    if (unzGetCurrentFileInfo64(zip_, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK ||
        unzOpenCurrentFile(zip_) != UNZ_OK)
        throw DesignError(source_, entry_, "the zip entry cannot be opened (damaged, encrypted or an unknown method)");
    size_ = info.uncompressed_size;
    entryOpen_ = true;
    return true;
}

std::size_t ZipArchive::read(char* buffer, std::size_t capacity)
{
    if (!entryOpen_)
        return 0;
    const int got = unzReadCurrentFile(zip_, buffer, static_cast<unsigned>(std::min<std::size_t>(capacity, INT_MAX)));
    if (got < 0)
        throw DesignError(source_, entry_, "the zip entry's data is damaged (error " + std::to_string(got) + ")");
    if (got == 0) {
        entryOpen_ = false;
        if (unzCloseCurrentFile(zip_) == UNZ_CRCERROR)
            throw DesignError(source_, entry_, "the zip entry's checksum does not match its data");
    }
    return static_cast<std::size_t>(got);
}

} // namespace standin::host::cad
