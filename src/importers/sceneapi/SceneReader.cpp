#include "SceneReader.h"

#include <cstdio>
#include <memory>

#include <platform/Files.h>

#include "SceneParser.h"

namespace vel {

SceneReader::SceneReader() : scratch_(std::make_unique<ParserScratch>()) {}

SceneReader::~SceneReader() = default;

ReadResult SceneReader::read(std::string_view text, velScene_api& target, const ReadOptions& options)
{
    ReadResult result = SceneParser(text, target, options, *scratch_).run();
    if (keptBytes() > kKeepAtMost)
        *scratch_ = {};
    return result;
}

std::size_t SceneReader::keptBytes() const
{
    const ParserScratch& s = *scratch_;
    std::size_t strings = s.strings.capacity() * sizeof(std::string);
    for (const std::string& string : s.strings)
        strings += string.capacity();
    std::size_t runs = 0;
    for (const auto& run : s.floatRuns)
        runs += run.reachedBytes();
    for (const auto& run : s.intRuns)
        runs += run.reachedBytes();
    return s.floats.reachedBytes() + s.doubles.reachedBytes() + s.ints.reachedBytes() + s.aligned.reachedBytes()
        + runs + strings + s.stringPointers.capacity() * sizeof(const char*) + s.bytes.capacity();
}

ReadResult readScene(std::string_view text, velScene_api& target, const ReadOptions& options)
{
    return SceneReader().read(text, target, options);
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
