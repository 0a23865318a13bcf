#pragma once
// The transfers a stand-in received, kept byte for byte as numbered files
// "<resources>/transfers/0001.rdk", "0002.rdk", ... (a scene file as it
// stands: the end mark is a comment). A transfer is written to its file as
// it comes in, so that it is never held whole in memory; one that is
// rejected is removed again, and of the others only the newest few are kept.
//
// Numbers go on from the highest file already there, so a restarted
// stand-in, or two stand-ins of one installation, never overwrite one: a
// number is taken by creating its file, which fails when another took it
// first. Only files named as the recorder names them are ever removed.

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <sceneapi/FileSink.h>

namespace standin::raydeck {

// One transfer on its way to its file. Destroying it unfinished removes the
// file.
class Recording {
public:
    ~Recording();
    Recording(const Recording&) = delete;
    Recording& operator=(const Recording&) = delete;

    unsigned number() const { return number_; } // also when no file could be made
    const std::string& path() const { return path_; }
    // Why the file could not be made or written; empty while all is well.
    const std::string& error() const { return error_; }

    // Appends to the file; after a failure the bytes are dropped, and error()
    // says why.
    void append(const char* data, std::size_t size);
    // Closes the file; false when it could not be written whole, in which
    // case it is removed.
    bool finish();
    // Closes and removes the file.
    void discard();

private:
    friend class TransferRecorder;
    Recording(unsigned number, std::string path, std::FILE* file, std::string error);
    void fail(const std::string& what);

    unsigned number_ = 0;
    std::string path_;
    std::FILE* file_ = nullptr;
    // Gathers the pieces, however the socket cuts them, into the writes
    // that leave the file cached in large units: the transfer is mapped and
    // read as soon as it is whole.
    std::unique_ptr<vel::FileSink> sink_;
    std::string error_;
};

// Recordings that prune() took out of the folder. Their names are gone at
// once; where the system allows it, their contents are let go only when
// this is destroyed, since freeing the cached pages of a large file takes
// milliseconds that an answer need not wait for.
class PrunedRecordings {
public:
    PrunedRecordings() = default;
    PrunedRecordings(PrunedRecordings&& other) noexcept;
    PrunedRecordings& operator=(PrunedRecordings&& other) noexcept;
    ~PrunedRecordings();

private:
    friend class TransferRecorder;
    void release();

    std::vector<int> open_; // descriptors of files already removed
};

class TransferRecorder {
public:
    // `folder`: the folder of the numbered files, created when needed.
    // `keep`: how many of them prune() leaves (at least 1).
    explicit TransferRecorder(std::string folder, unsigned keep = 50);

    // Takes the next number by creating its file.
    std::unique_ptr<Recording> begin();

    // Removes the lowest-numbered files until `keep` are left, never one of
    // `busy`: recordings still being received or applied.
    PrunedRecordings prune(const std::vector<unsigned>& busy = {});

    const std::string& folder() const { return folder_; }

private:
    unsigned highestRecorded() const;

    std::string folder_;
    unsigned keep_;
    unsigned last_ = 0;
};

// "0001.rdk" and the like, as the recorder names its files.
std::string transferFileName(unsigned number);

} // namespace standin::raydeck
