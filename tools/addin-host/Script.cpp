#include "Script.h"

#include <platform/Files.h>

#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <system_error>

namespace addinhost {

namespace {

enum class Arguments {
    None,     // nothing may follow the keyword
    Rest,     // exactly one, the rest of the line
    Optional, // the rest of the line, which may be empty
    Path,     // one, the rest of the line, a file name
    Two,      // two words
};

struct Keyword {
    std::string_view word;
    Step::Kind kind;
    Arguments arguments;
    std::string_view help;
};

constexpr Keyword kKeywords[] = {
    {"open", Step::Kind::Open, Arguments::Path,
     "open FILE              open a design file (document, CAD or mesh file) and make it active"},
    {"close", Step::Kind::Close, Arguments::None, "close                  close the active document"},
    {"answer", Step::Kind::Answer, Arguments::Path,
     "answer FILE            save dialogs answer FILE from now on (\"-\": standard output)"},
    {"cancel", Step::Kind::Cancel, Arguments::None, "cancel                 save dialogs are cancelled from now on"},
    {"run", Step::Kind::Run, Arguments::None, "run                    load the add-in module if needed, call run"},
    {"stop", Step::Kind::Stop, Arguments::None, "stop                   call the add-in's stop"},
    {"unload", Step::Kind::Unload, Arguments::None,
     "unload                 unload the module (after stop, if it still runs)"},
    {"click", Step::Kind::Click, Arguments::Rest,
     "click COMMAND          click a command's button, by command id or name"},
    {"expect-message", Step::Kind::ExpectMessage, Arguments::Rest,
     "expect-message TEXT    the oldest message box not yet expected showed TEXT"},
    {"expect-failure", Step::Kind::ExpectFailure, Arguments::Optional,
     "expect-failure [TEXT]  the last click failed (with the error TEXT)"},
    {"remove-workspace", Step::Kind::RemoveWorkspace, Arguments::Rest,
     "remove-workspace ID    the host loses a workspace, with its buttons"},
    {"remove-panel", Step::Kind::RemovePanel, Arguments::Two,
     "remove-panel WS PANEL  the host loses a panel of a workspace, with its buttons"},
};

std::string_view trim(std::string_view s)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::vector<std::string> words(std::string_view s)
{
    std::istringstream in{std::string(s)};
    return {std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
}

} // namespace

std::vector<Step> parseScript(std::string_view text, const std::filesystem::path& file)
{
    // Full paths, as a file dialog answers them.
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::absolute(file, error).parent_path();
    std::vector<Step> steps;
    std::size_t lineNumber = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = trim(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++lineNumber;
        if (line.empty() || line.front() == '#')
            continue;

        const std::string where = (file == "-" ? "standard input" : platform::utf8FromPath(file)) + ":" +
                                  std::to_string(lineNumber);
        const std::size_t wordEnd = line.find_first_of(" \t");
        const std::string_view word = line.substr(0, wordEnd);
        const std::string_view rest = trim(wordEnd == std::string_view::npos ? "" : line.substr(wordEnd));
        const Keyword* keyword = nullptr;
        for (const Keyword& k : kKeywords)
            if (k.word == word)
                keyword = &k;
        if (keyword == nullptr)
            throw ScriptError(where + ": unknown step \"" + std::string(word) + "\"");

        Step step{keyword->kind, {}, where};
        switch (keyword->arguments) {
        case Arguments::None:
            if (!rest.empty())
                throw ScriptError(where + ": \"" + std::string(word) + "\" takes no argument");
            break;
        case Arguments::Optional:
            if (!rest.empty())
                step.args.emplace_back(rest);
            break;
        case Arguments::Rest:
        case Arguments::Path:
            if (rest.empty())
                throw ScriptError(where + ": \"" + std::string(word) + "\" needs an argument");
            if (keyword->arguments == Arguments::Path && rest != "-")
                step.args.push_back(platform::utf8FromPath((folder / platform::pathFromUtf8(rest)).lexically_normal()));
            else
                step.args.emplace_back(rest);
            break;
        case Arguments::Two:
            step.args = words(rest);
            if (step.args.size() != 2)
                throw ScriptError(where + ": \"" + std::string(word) + "\" needs two arguments");
            break;
        }
        steps.push_back(std::move(step));
    }
    return steps;
}

std::vector<Step> readScript(const std::filesystem::path& file)
{
    if (file == "-")
        return parseScript(std::string{std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>()},
                           file);
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw ScriptError(platform::utf8FromPath(file) + ": cannot read the script");
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad())
        throw ScriptError(platform::utf8FromPath(file) + ": cannot read the script");
    return parseScript(text, file);
}

std::string scriptHelp()
{
    std::string help;
    for (const Keyword& k : kKeywords)
        (help += "  ") .append(k.help) += '\n';
    return help;
}

} // namespace addinhost
