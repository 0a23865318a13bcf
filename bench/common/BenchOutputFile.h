#pragma once
// A real file in /tmp that benchmarks write into, rewound for every
// iteration (so mostly into the page cache) and removed at the end; or
// emptied for every iteration, so that each write finds no cached pages
// left, as the new file of an export does.

#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

class BenchOutputFile {
public:
    explicit BenchOutputFile(const char* tag = "rd-bench")
        : path_(std::string("/tmp/") + tag + "-" + std::to_string(::getpid())), file_(std::fopen(path_.c_str(), "wb"))
    {
        if (!file_) {
            std::perror(path_.c_str());
            std::abort();
        }
    }
    ~BenchOutputFile()
    {
        std::fclose(file_);
        std::remove(path_.c_str());
    }
    BenchOutputFile(const BenchOutputFile&) = delete;
    BenchOutputFile& operator=(const BenchOutputFile&) = delete;

    // Back to the start, for the next iteration.
    std::FILE* rewound()
    {
        std::rewind(file_);
        return file_;
    }
    // Empties the file, so that the next iteration writes into pages the
    // system has to find anew. Call it outside the timed part: freeing a
    // large file's pages takes a while.
    void empty()
    {
        std::rewind(file_);
        if (::ftruncate(::fileno(file_), 0) != 0) {
            std::perror(path_.c_str());
            std::abort();
        }
    }
    // Bytes written by the last iteration.
    long written() { return std::ftell(file_); }

private:
    std::string path_;
    std::FILE* file_;
};
