#include "EnvironmentSettings.h"

#include <charconv>
#include <cstdlib>
#include <string_view>
#include <system_error>

namespace standin::raydeck {

namespace {

constexpr double kMostSeconds = 1e7;

// The variable's text; nothing when unset or empty.
std::optional<std::string_view> variable(const char* name)
{
    const char* text = std::getenv(name);
    if (text == nullptr || *text == '\0')
        return std::nullopt;
    return std::string_view(text);
}

template <class T>
std::optional<T> refuse(const char* name, std::string_view text, const std::string& what, std::string* whyNot)
{
    if (whyNot != nullptr)
        *whyNot = std::string(name) + " is not " + what + ": " + std::string(text);
    return std::nullopt;
}

} // namespace

std::optional<std::chrono::milliseconds> secondsVariable(const char* name, std::string* whyNot)
{
    const std::optional<std::string_view> text = variable(name);
    if (!text)
        return std::nullopt;
    double seconds = 0;
    const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), seconds);
    if (error != std::errc() || end != text->data() + text->size() || !(seconds > 0) || seconds > kMostSeconds)
        return refuse<std::chrono::milliseconds>(name, *text, "a number of seconds", whyNot);
    return std::chrono::milliseconds(static_cast<long long>(seconds * 1000));
}

std::optional<std::uint64_t> countVariable(const char* name, std::uint64_t highest, std::string* whyNot)
{
    const std::optional<std::string_view> text = variable(name);
    if (!text)
        return std::nullopt;
    std::uint64_t count = 0;
    const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), count);
    if (error != std::errc() || end != text->data() + text->size() || count < 1 || count > highest)
        return refuse<std::uint64_t>(name, *text, "a whole number from 1 to " + std::to_string(highest), whyNot);
    return count;
}

} // namespace standin::raydeck
