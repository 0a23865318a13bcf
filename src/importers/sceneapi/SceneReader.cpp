#include "SceneReader.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "SceneParser.h"

namespace vel {

ReadResult readScene(std::string_view text, velScene_api& target, const ReadOptions& options)
{
    return SceneParser(text, target, options).run();
}

TextPosition positionOf(std::string_view text, std::size_t offset)
{
    TextPosition at;
    at.offset = std::min(offset, text.size());
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i < at.offset; ++i)
        if (text[i] == '\n') {
            ++at.line;
            lineStart = i + 1;
        }
    at.column = static_cast<int>(at.offset - lineStart + 1);
    return at;
}

std::string describe(const ReadProblem& problem)
{
    return std::to_string(problem.at.line) + ":" + std::to_string(problem.at.column) + ": " + problem.message;
}

bool loadFile(const std::string& path, std::string& bytes, std::string& error)
{
    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    errno = 0;
    std::unique_ptr<std::FILE, Closer> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        error = std::strerror(errno);
        return false;
    }
    // Read in one piece where the size is known, else in chunks.
    bytes.clear();
    if (std::fseek(file.get(), 0, SEEK_END) == 0) {
        const long size = std::ftell(file.get());
        std::rewind(file.get());
        if (size > 0) {
            bytes.resize(static_cast<std::size_t>(size));
            bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file.get()));
        }
    }
    char buffer[1 << 16];
    for (;;) {
        const std::size_t n = std::fread(buffer, 1, sizeof buffer, file.get());
        bytes.append(buffer, n);
        if (n < sizeof buffer)
            break;
    }
    if (std::ferror(file.get())) {
        error = std::strerror(errno ? errno : EIO);
        return false;
    }
    return true;
}

} // namespace vel
