#include "Protocol.h"

namespace standin::raydeck {

std::string formatRequest(const ControlRequest& request)
{
    std::string text(1, kRequestStart);
    text += kRequestWord;
    text += ' ';
    text += request.token;
    text += ' ';
    text += request.command;
    if (!request.argument.empty()) {
        text += ' ';
        text += request.argument;
    }
    text += '\n';
    return text;
}

std::optional<ControlRequest> parseRequest(std::string_view line)
{
    const auto word = [&line]() {
        const std::size_t blank = line.find(' ');
        const std::string_view taken = line.substr(0, blank);
        line = blank == std::string_view::npos ? std::string_view() : line.substr(blank + 1);
        return taken;
    };
    if (line.find('\n') != std::string_view::npos || line.find('\0') != std::string_view::npos)
        return std::nullopt;
    if (word() != kRequestWord)
        return std::nullopt;
    ControlRequest request;
    request.token = word();
    request.command = word();
    request.argument = line; // the rest, blanks and all: a file name may hold them
    if (request.token.empty() || request.command.empty())
        return std::nullopt;
    return request;
}

} // namespace standin::raydeck
