#pragma once
// Settings of the stand-ins taken from environment variables: a stand-in
// is started without arguments, as RayDeck's launcher starts RayDeck, and
// the live library is loaded by the add-in, so the environment they inherit
// is the one way to set them.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace standin::raydeck {

// A variable's value read as seconds (a decimal number above 0 and at most
// ten million). Nothing when it is unset or empty; nothing, with *whyNot
// saying so, when it is not such a number.
std::optional<std::chrono::milliseconds> secondsVariable(const char* name, std::string* whyNot = nullptr);

// A variable's value read as a whole number from 1 to `highest`, likewise.
std::optional<std::uint64_t> countVariable(const char* name, std::uint64_t highest, std::string* whyNot = nullptr);

} // namespace standin::raydeck
