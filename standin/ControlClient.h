#pragma once
// Asking a running stand-in something (Protocol.h): the query interface of
// the live library asks for scene descriptions, the raydeck-standin command
// line and the tests ask for dumps and for quitting.

#include "Announcement.h"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace standin::raydeck {

// Sends the request with the announcement's token to its port and returns
// the whole answer. Nothing when no connection was made or no whole answer
// came in time (*whyNot says which).
std::optional<std::string> askStandin(const Announcement& standin, std::string_view command,
                                      std::string_view argument, std::chrono::milliseconds timeout,
                                      std::string* whyNot = nullptr);

// Asks the stand-in to quit and waits until its process has ended. True when
// it is gone; false when it did not end in time.
bool quitStandin(const Announcement& standin, std::chrono::milliseconds timeout);

} // namespace standin::raydeck
