#pragma once
// A file that a program writes completely or not at all.
//
// Writing over the file a user already has (the scene exported last week)
// must not destroy it when the new one fails half way: a full disk, a file
// size limit, a crash or a kill. So a regular file is written to a new file in
// its folder, "<name>.<six random letters>.partial", which replaces it only
// after every byte reached the disk and it was closed (rename on POSIX,
// MoveFileExW on Windows). The destination
// then holds the old file or the new one, never a part of either; after a
// crash the only trace is the ".partial" file, whose name says what it is.
//
//  - A symbolic link is followed: its target is replaced, the link stays.
//  - On POSIX the replacement keeps the destination's permission bits, and
//    its owner and group where this process may set them. On Windows it has
//    the folder's security settings, as any new file there. A hard link to
//    the old file keeps the old content.
//  - An existing file that could not be written in place (read-only, another
//    user's) is refused at open, as writing in place would be.
//  - What is not a regular file (a device such as /dev/null or NUL, a FIFO)
//    has no content to keep and is opened in place; so is a stream taken over
//    with adopt(), such as standard output.
//
// Names are UTF-8; Windows uses the wide-character calls.

#include <cstdio>
#include <memory>
#include <string>

namespace platform {

class OutputFile {
public:
    // Opens utf8Name for binary writing: a regular file, or a name that does
    // not exist yet, through a ".partial" file beside it; anything else in
    // place with inPlaceMode. Null with errno set when it cannot be opened;
    // nothing is created then.
    static std::unique_ptr<OutputFile> open(const std::string& utf8Name, const char* inPlaceMode = "wb");
    // Takes over a stream that is written in place.
    static std::unique_ptr<OutputFile> adopt(std::FILE* stream);

    // Not committed: the same as abandon().
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Where the bytes go until commit() or abandon(); null afterwards.
    std::FILE* stream() const { return stream_; }
    // The ".partial" file while there is one; empty for a file written in
    // place.
    const std::string& partialName() const { return partial_; }

    // The file is complete: flushes the stream, makes its bytes durable,
    // closes it and puts it in the destination's place. 0, or the errno
    // value of the first failure; the ".partial" file is then removed and the
    // destination is as it was before open().
    int commit();
    // The file is not complete: closes the stream and removes the ".partial"
    // file; the destination is as it was. A stream written in place is only
    // closed, and what reached it stays. 0, or the errno value of a failed
    // close.
    int abandon();

private:
    OutputFile() = default;

    // "<base>.<six random letters>.partial"; a long base is cut, so that the
    // name stays within what file systems allow.
    static std::string partialNameFor(const std::string& base);

    // Flushes the stream, hands its bytes to the disk, closes it.
    static int closeDurably(std::FILE* stream);

    // Per system (posix/, win/):
    // hands the bytes of a flushed stream to the disk.
    static int syncToDisk(std::FILE* stream);
    // Puts `from` in the place of `to`.
    static int moveOver(const std::string& from, const std::string& to);
    static void removeQuietly(const std::string& path);

    std::FILE* stream_ = nullptr;
    std::string partial_;
    std::string destination_; // where partial_ goes; the link's target for a link
};

} // namespace platform
