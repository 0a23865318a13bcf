#include "SceneText.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

namespace scenetest {

SceneText::SceneText()
{
    stream_ = open_memstream(&buffer_, &size_);
    writer_ = std::make_unique<velScene_api_file>(stream_, false);
    writer_->setModeFlags(1);
    wrapper_.attach(writer_.get());
}

SceneText::~SceneText()
{
    writer_.reset();
    if (stream_)
        std::fclose(stream_);
    std::free(buffer_);
}

std::string SceneText::finish()
{
    wrapper_.attach(nullptr);
    writer_.reset();
    std::fflush(stream_);
    return std::string(buffer_, size_);
}

namespace {

std::vector<std::string> splitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start) + "<no newline at end>");
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::string visible(std::string line)
{
    std::size_t end = line.size();
    while (end > 0 && line[end - 1] == ' ')
        line[--end] = '~';
    return line;
}

} // namespace

std::string compareWithGolden(const std::string& folder, const std::string& name, const std::string& text)
{
    const char* top = std::getenv("RD_SOURCE_DIR");
    const std::string path = std::string(top ? top : ".") + "/tests/" + folder + "/golden/" + name;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return "cannot read golden file " + path;
    std::stringstream golden;
    golden << in.rdbuf();
    const std::string expected = golden.str();
    if (expected == text)
        return {};

    const auto want = splitLines(expected);
    const auto got = splitLines(text);
    std::ostringstream out;
    out << path << " differs (trailing blanks shown as ~):\n";
    int shown = 0;
    for (std::size_t i = 0; i < std::max(want.size(), got.size()) && shown < 8; ++i) {
        const std::string* w = i < want.size() ? &want[i] : nullptr;
        const std::string* g = i < got.size() ? &got[i] : nullptr;
        if (w && g && *w == *g)
            continue;
        out << "line " << i + 1 << "\n  expected: " << (w ? visible(*w) : "<none>")
            << "\n  actual:   " << (g ? visible(*g) : "<none>") << "\n";
        ++shown;
    }
    return out.str();
}

} // namespace scenetest
