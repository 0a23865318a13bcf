#pragma once
// The bytes of a whole file, for reading a scene: mapped into memory where
// the system can (no copy; the pages come from the file cache), else read
// into memory. Only a regular file is read, or standard input for "-": a
// directory or a device such as /dev/zero is refused with a reason.

#include <cstddef>
#include <string>
#include <string_view>

namespace vel {

class FileBytes {
public:
    FileBytes() = default;
    ~FileBytes();
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;

    // False with the reason in `error` when the file cannot be read or is no
    // regular file. "-" reads standard input to its end.
    bool open(const std::string& path, std::string& error);

    std::string_view bytes() const;

private:
    void release();

    void* map_ = nullptr;
    std::size_t size_ = 0;
    std::string copy_; // where nothing could be mapped
};

} // namespace vel
