#pragma once
// What travels over a stand-in's live-link port. Every connection begins
// with a request: a zero byte (scene-file text never starts with one), then
// one line
//
//   "raydeck-standin <token> <command>[ <argument>]\n"
//
// with the token of the stand-in's announcement (Announcement.h), so that
// only the user's own programs can send it anything. A request with another
// token, or a connection that does not begin with a request, is answered
// "error: <reason>\n" and closed without reading further.
//
// A transfer is the request "transfer", followed by scene-file text exactly
// as the scene file writer writes it (binary lists on, no indentation), then
// the end mark on a line of its own; then the sender ends its side of the
// connection. The stand-in reads to the end of the stream; only a transfer
// that ends with the end mark and reads without a problem is applied,
// anything else (a sender that died half-way, a broken text, one larger than
// the stand-in takes) is rejected whole. Either way the stand-in answers one
// verdict line and closes:
//
//   "accepted 7\n"                       7: the transfer's number
//   "rejected 8: 12:3: <what is wrong>\n"
//
// The other requests are answered with everything the stand-in sends until
// it closes:
//
//   describe      the scene description (XML, SceneDescription.h)
//   dump <file>   writes the scene to <file> (an absolute path); "ok\n"
//   quit          "ok\n", then the stand-in ends
//
// and "error: <reason>\n" for an unknown command or a failure.

#include <optional>
#include <string>
#include <string_view>

namespace standin::raydeck {

// The last line of every complete transfer. A scene-file comment, so that a
// recorded transfer is a scene file as it stands.
inline constexpr std::string_view kEndMark = "//---transfer:end---\n";

inline constexpr std::string_view kAccepted = "accepted ";
inline constexpr std::string_view kRejected = "rejected ";

inline constexpr char kRequestStart = '\0';
inline constexpr std::string_view kRequestWord = "raydeck-standin";
inline constexpr std::string_view kTransfer = "transfer";
inline constexpr std::string_view kDescribe = "describe";
inline constexpr std::string_view kDump = "dump";
inline constexpr std::string_view kQuit = "quit";
inline constexpr std::string_view kOk = "ok\n";
inline constexpr std::string_view kErrorPrefix = "error: ";

// The longest request line read; longer ones are refused.
inline constexpr std::size_t kMaxRequestLine = 8192;

struct ControlRequest {
    std::string token;
    std::string command;
    std::string argument; // empty when there is none

    bool operator==(const ControlRequest&) const = default;
};

// The request as it is sent: zero byte, line, line feed.
std::string formatRequest(const ControlRequest& request);

// The line of a request, after its zero byte and without its line feed.
// Nothing when it does not have the request's form.
std::optional<ControlRequest> parseRequest(std::string_view line);

} // namespace standin::raydeck
