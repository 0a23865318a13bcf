#pragma once
// How a running RayDeck stand-in is found: each process announces itself
// with one small file in a folder that every program of the user finds
// without configuration (platform::privateRuntimeFolder("veltor-raydeck"):
// "$XDG_RUNTIME_DIR/veltor-raydeck", else "/tmp/veltor-raydeck-<uid>"; on
// Windows "%TEMP%\veltor-raydeck"). The file "<pid>.announce" holds
//
//   raydeck-standin 1
//   pid 4711
//   version 9
//   port 5000
//   token 5f0c...            32 hex digits, the key of control requests
//   started 1733475000123    milliseconds since 1970, for the listing order
//
// It is written under a temporary name and renamed into place once the
// process listens, so a reader sees a whole announcement or none. The
// process removes it when it ends; one left behind by a process that died is
// recognised by its process id no longer running, and passed over.
//
// The token makes control requests (ControlRequest.h) the user's own: the
// folder and the file are readable by their owner only, so only the user's
// own programs can read the token and ask a stand-in to describe, dump or quit.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace standin::raydeck {

struct Announcement {
    std::uint64_t processId = 0;
    int majorVersion = 0;
    int port = 0;
    std::string token;
    std::uint64_t startedMilliseconds = 0;

    bool operator==(const Announcement&) const = default;
};

// The folder of the announcements, created when missing; empty when it
// cannot be made safely (*whyNot says why).
std::string announcementFolder(std::string* whyNot = nullptr);

// "<folder>/<pid>.announce".
std::string announcementPath(const std::string& folder, std::uint64_t processId);

// The file's text, and back. Parsing is strict: the first line, then every
// field once, in any order; numbers in range (a port 1 to 65535, a version
// 1 to 99); a token of 32 hex digits. Nothing for anything else.
std::string formatAnnouncement(const Announcement& announcement);
std::optional<Announcement> parseAnnouncement(std::string_view text);

// Writes the announcement atomically (temporary file, then rename). False
// with *whyNot set when it could not be written.
bool writeAnnouncement(const std::string& folder, const Announcement& announcement, std::string* whyNot = nullptr);

// Removes the process's announcement; nothing happens when there is none.
void removeAnnouncement(const std::string& folder, std::uint64_t processId);

// The announcements of processes that still run, in the order they started
// (ties by process id). Files that cannot be read or parsed, and those whose
// name does not match their process id, are passed over.
std::vector<Announcement> runningAnnouncements(const std::string& folder);

// Removes the announcements of processes that no longer run.
void removeStaleAnnouncements(const std::string& folder);

// A fresh token: 32 hex digits from the system's random source.
std::string newToken();

} // namespace standin::raydeck
