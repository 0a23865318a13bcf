#pragma once
// File-system tests and opening files by UTF-8 name. Names are UTF-8; Windows
// converts them to UTF-16 and uses the wide-character calls (_wfopen,
// GetFileAttributesW), so names outside the ANSI code page work.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The separator used when this system builds a path: a backslash on Windows,
// a slash on POSIX.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// std::filesystem paths from and to UTF-8 text. Use these, never the narrow
// std::filesystem conversions, which on Windows go through the ANSI code page
// and lose every character outside it.
std::filesystem::path pathFromUtf8(std::string_view utf8);
std::string utf8FromPath(const std::filesystem::path& path);

// folder + separator + name. The separator is always added, even when the
// folder already ends in one: both systems read a doubled separator as one.
std::string joinPath(std::string_view folder, std::string_view name);

// True when path names a file (not a directory) that can be opened for reading.
bool isReadableFile(const std::string& path);

// True when path names an existing directory.
bool isDirectory(const std::string& path);

// True when both paths name one existing file, also through links or by
// different spellings (the same device and file number; on Windows the same
// volume and file index).
bool sameFile(const std::string& first, const std::string& second);

// The size in bytes of the file at path; nothing when it cannot be opened for
// reading or is not a regular file.
std::optional<std::uint64_t> fileSize(const std::string& path);

// fopen / _wfopen with a narrow mode such as "a", "w" or "rb". The caller owns
// the stream; null with errno set on failure.
std::FILE* openFile(const std::string& path, const char* mode);

// Opens the regular file at path for binary reading; the caller owns the
// stream. Anything else is refused, as reading it would not end (/dev/zero),
// would block (a FIFO) or means nothing (a directory). Null on failure, with
// errno set and the reason in whyNot: the system's message, "Is a directory"
// (EISDIR), or "not a regular file" (EINVAL).
std::FILE* openRegularFile(const std::string& path, std::string& whyNot);

// Appends all of standard input to bytes, byte for byte (on Windows the
// stream is switched to binary mode first). False with the system's reason in
// whyNot on a read error.
bool readStandardInput(std::string& bytes, std::string& whyNot);

// Appends what is left in stream to bytes. False with the system's reason in
// whyNot on a read error.
bool readToEnd(std::FILE* stream, std::string& bytes, std::string& whyNot);

// Writes size bytes to the file under stream, past the stream's own buffer,
// which the caller has flushed: each call reaches the system as one write of
// exactly these bytes (the C library would first fill and write out its
// buffer, cutting a large write in two). Where the system offers no such
// way, or the stream has no file, through the stream. 0, or the errno value of the failure (EIO where
// none was set).
int writeThrough(std::FILE* stream, const char* data, std::size_t size);

} // namespace platform
