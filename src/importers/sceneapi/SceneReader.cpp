#include "SceneReader.h"

#include <cstdio>
#include <memory>

#include <platform/Files.h>

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
    const std::unique_ptr<std::FILE, Closer> file(platform::openRegularFile(path, error));
    if (!file)
        return false;
    bytes.clear();
    return platform::readToEnd(file.get(), bytes, error);
}

} // namespace vel
