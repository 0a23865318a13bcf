#pragma once
// A zip archive whose entries are read in pieces, so that a large entry
// never has to be held whole (minizip underneath).

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace standin::host::cad {

class ZipArchive {
public:
    /// Opens `file`; throws DesignError (under the name `source`) when it is
    /// not a readable zip archive.
    ZipArchive(const std::filesystem::path& file, std::string source);
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    /// Makes `name` (exact, case included) the entry that read() reads, from
    /// its start; false when the archive has no entry of that name. Throws
    /// DesignError when the entry cannot be opened.
    bool open(const std::string& name);
    /// The open entry's size as its directory states it (for progress only:
    /// nothing is sized by it).
    std::uint64_t size() const { return size_; }
    /// Up to `capacity` further bytes of the open entry into `buffer`; 0 at
    /// its end, after its checksum has been verified. Throws DesignError
    /// on damaged data.
    std::size_t read(char* buffer, std::size_t capacity);

private:
    void closeEntry();

    void* zip_ = nullptr; // unzFile
    std::string source_;
    std::string entry_;
    std::uint64_t size_ = 0;
    bool entryOpen_ = false;
};

} // namespace standin::host::cad
