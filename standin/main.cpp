// raydeck-standin: a stand-in for the RayDeck application, for trying and
// testing the live link without RayDeck.
//
// Started without arguments, as the add-in launches RayDeck, it finds its
// installation in the registry, listens on 127.0.0.1 at the first free port
// of the installation's live-link range, announces itself, and keeps the
// scenes that the live link streams into it (StandinServer.h). Accepted
// transfers are kept as <ResourceFolder>/transfers/NNNN.rdk, the last
// RAYDECK_STANDIN_KEEP_TRANSFERS (default 50); a transfer larger than
// RAYDECK_STANDIN_MAX_TRANSFER_MB (default 1024) is rejected. What it does
// goes to <ResourceFolder>/raydeck-standin.log. It quits when asked, or by
// itself after RAYDECK_STANDIN_IDLE_SECONDS (default 1800) without a
// connection. RAYDECK_STANDIN_FAULT="kill N" or "stop N" makes it die (as by
// kill -9) or hang (as by SIGSTOP; not on Windows) as its Nth transfer
// begins, to try what the add-in does when RayDeck fails half way.
//
// With an option it asks a running stand-in instead (the only one running,
// or the one of --pid): --list, --describe, --dump FILE ("-": standard
// output), --quit.
//
// Exit status: 0 when all went as asked, 1 when it did not, 2 for a bad
// command line.

#include "Announcement.h"
#include "ControlClient.h"
#include "EnvironmentSettings.h"
#include "OwnInstallation.h"
#include "Protocol.h"
#include "StandinServer.h"

#include <platform/Files.h>
#include <platform/ProcessInfo.h>
#include <platform/Program.h>
#include <platform/SceneFileOpen.h>
#include <platform/Services.h>

#include <tools/cli/CommandLine.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace standin::raydeck;

constexpr std::chrono::milliseconds kAskTimeout{10000};
constexpr long kDefaultIdleSeconds = 1800;
constexpr std::uint64_t kMostTransferMegabytes = std::uint64_t(1) << 20; // a terabyte
constexpr std::uint64_t kMostKeptTransfers = 1000000;

void complain(const std::string& text)
{
    std::fprintf(stderr, "raydeck-standin: %s\n", text.c_str());
}

std::chrono::milliseconds idleTimeout()
{
    std::string why;
    const std::optional<std::chrono::milliseconds> idle = secondsVariable("RAYDECK_STANDIN_IDLE_SECONDS", &why);
    if (!why.empty())
        complain(why);
    return idle.value_or(std::chrono::seconds(kDefaultIdleSeconds));
}

// Appends time-stamped lines to the log file; quiet when it cannot be opened.
class LogFile {
public:
    explicit LogFile(const std::string& path) : file_(platform::openFile(path, "a")) {}
    ~LogFile()
    {
        if (file_ != nullptr)
            std::fclose(file_);
    }
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    void line(const std::string& text)
    {
        if (file_ == nullptr)
            return;
        const std::time_t now = std::time(nullptr);
        char stamp[32] = "";
        if (const std::tm* local = std::localtime(&now))
            std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", local);
        std::fprintf(file_, "%s %s\n", stamp, text.c_str());
        std::fflush(file_);
    }

private:
    std::FILE* file_;
};

// The fault of RAYDECK_STANDIN_FAULT, as a server's transferBegins; none
// when it is not set or not understood.
std::function<void(unsigned)> faultOnTransfer(LogFile& log)
{
    const char* text = std::getenv("RAYDECK_STANDIN_FAULT");
    if (text == nullptr || *text == '\0')
        return {};
    char kind[8] = "";
    unsigned number = 0;
    char rest = 0;
    if (std::sscanf(text, "%7s %u %c", kind, &number, &rest) != 2 || number == 0
        || (std::strcmp(kind, "kill") != 0 && std::strcmp(kind, "stop") != 0)) {
        complain(std::string("RAYDECK_STANDIN_FAULT is not \"kill N\" or \"stop N\": ") + text);
        return {};
    }
    const bool kill = std::strcmp(kind, "kill") == 0;
    return [kill, number, &log](unsigned transfer) {
        if (transfer != number)
            return;
        const std::uint64_t self = platform::services().processes->currentId();
        log.line(std::string(kill ? "killing" : "stopping") + " itself as transfer " + std::to_string(transfer)
                 + " begins (RAYDECK_STANDIN_FAULT)");
        if (kill)
            platform::killProcess(self);
        else if (!platform::stopProcess(self))
            log.line("cannot stop itself on this system");
    };
}

int serve()
{
    const std::string self = platform::executablePath();
    std::string why;
    const std::optional<OwnInstallation> installation = findOwnInstallation(self, &why);
    if (!installation) {
        complain(why);
        return 1;
    }
    if (installation->resourceFolder.empty() || !platform::isDirectory(installation->resourceFolder)) {
        complain("RayDeck " + std::to_string(installation->majorVersion) + " has no resource folder");
        return 1;
    }
    LogFile log(platform::joinPath(installation->resourceFolder, "raydeck-standin.log"));
    // Every transfer and request carries the token of the announcement:
    // without one nobody could send it anything.
    const std::string folder = announcementFolder(&why);
    if (folder.empty()) {
        complain("cannot announce itself: " + why);
        log.line("cannot start: cannot announce itself: " + why);
        return 1;
    }
    if (!installation->namesThisProgram)
        log.line("no installation names " + self + "; serving as RayDeck "
                 + std::to_string(installation->majorVersion));
    ServerSettings settings;
    settings.majorVersion = installation->majorVersion;
    settings.lowestPort = installation->lowestPort;
    settings.highestPort = installation->highestPort;
    settings.transferFolder = platform::joinPath(installation->resourceFolder, "transfers");
    settings.announcementFolder = folder;
    settings.processId = platform::services().processes->currentId();
    settings.idleTimeout = idleTimeout();
    std::string badSetting;
    if (const auto megabytes = countVariable("RAYDECK_STANDIN_MAX_TRANSFER_MB", kMostTransferMegabytes, &badSetting))
        settings.maxTransferBytes = *megabytes << 20;
    if (const auto keep = countVariable("RAYDECK_STANDIN_KEEP_TRANSFERS", kMostKeptTransfers, &badSetting))
        settings.keepTransfers = static_cast<unsigned>(*keep);
    if (!badSetting.empty())
        complain(badSetting + "; the default holds");
    settings.handleSignals = true;
    settings.log = [&log](const std::string& text) { log.line(text); };
    settings.transferBegins = faultOnTransfer(log);

    StandinServer server(std::move(settings));
    if (!server.start(&why)) {
        complain(why);
        log.line("cannot start: " + why);
        return 1;
    }
    // Started by the add-in it runs on its own; it must not hold the host's
    // output open.
    platform::releaseStandardStreams();
    server.run();
    return 0;
}

// The stand-in meant: the one of --pid, or the only one running.
std::optional<Announcement> target(const std::vector<Announcement>& running, std::uint64_t pid)
{
    if (pid != 0) {
        for (const Announcement& a : running) {
            if (a.processId == pid)
                return a;
        }
        complain("no stand-in runs as process " + std::to_string(pid));
        return std::nullopt;
    }
    if (running.empty()) {
        complain("no stand-in is running");
        return std::nullopt;
    }
    if (running.size() > 1) {
        complain(std::to_string(running.size()) + " stand-ins are running; choose one with --pid");
        return std::nullopt;
    }
    return running.front();
}

// Asks and prints the answer; an "error: " answer fails.
int ask(const Announcement& standin, std::string_view command, const std::string& argument, bool print)
{
    std::string why;
    const std::optional<std::string> answer = askStandin(standin, command, argument, kAskTimeout, &why);
    if (!answer) {
        complain("process " + std::to_string(standin.processId) + " did not answer: " + why);
        return 1;
    }
    if (answer->starts_with(kErrorPrefix)) {
        complain(answer->substr(0, answer->find('\n')));
        return 1;
    }
    if (print)
        std::cout << *answer << (answer->ends_with('\n') ? "" : "\n");
    return 0;
}

// "--dump -": the stand-in writes the scene into a file of this process's
// own in the user's private folder, which goes to standard output from
// there and is removed.
int dumpToStandardOutput(const Announcement& standin, const std::string& folder)
{
    const std::string path = platform::joinPath(
        folder, "dump-" + std::to_string(platform::services().processes->currentId()) + ".rdk");
    int status = ask(standin, kDump, path, false);
    if (status == 0) {
        std::FILE* in = platform::openFile(path, "rb");
        std::FILE* out = in ? platform::takeOverStandardOutput() : nullptr;
        bool copied = in != nullptr && out != nullptr;
        char block[65536];
        for (std::size_t n = 0; copied && (n = std::fread(block, 1, sizeof block, in)) > 0;)
            copied = std::fwrite(block, 1, n, out) == n;
        copied = copied && !std::ferror(in);
        if (out != nullptr && std::fclose(out) != 0)
            copied = false;
        if (in != nullptr)
            std::fclose(in);
        if (!copied) {
            complain("could not write the scene to standard output");
            status = 1;
        }
    }
    std::error_code ignored;
    fs::remove(platform::pathFromUtf8(path), ignored);
    return status;
}

// Serves, or does what the options ask of a running stand-in.
int act(bool list, bool describe, bool quit, const std::string& dumpFile, std::uint64_t pid)
{
    const int actions = int(list) + int(describe) + int(quit) + int(!dumpFile.empty());
    if (actions == 0 && pid == 0)
        return serve();
    if (actions != 1) {
        complain("give one of --list, --describe, --dump and --quit");
        return rdcli::kBadCommandLine;
    }

    std::string why;
    const std::string folder = announcementFolder(&why);
    if (folder.empty()) {
        complain(why);
        return 1;
    }
    const std::vector<Announcement> running = runningAnnouncements(folder);
    if (list) {
        for (const Announcement& a : running)
            std::cout << a.processId << ' ' << a.majorVersion << ' ' << a.port << '\n';
        return 0;
    }
    if (quit) {
        int status = 0;
        for (const Announcement& a : running) {
            if (pid != 0 && a.processId != pid)
                continue;
            if (!quitStandin(a, kAskTimeout)) {
                complain("process " + std::to_string(a.processId) + " did not quit");
                status = 1;
            }
        }
        return status;
    }
    const std::optional<Announcement> standin = target(running, pid);
    if (!standin)
        return 1;
    if (describe)
        return ask(*standin, kDescribe, "", true);
    if (dumpFile == "-")
        return dumpToStandardOutput(*standin, folder);
    std::error_code error;
    const fs::path path = fs::absolute(dumpFile, error);
    return ask(*standin, kDump, error ? dumpFile : path.lexically_normal().string(), false);
}

int run(int argc, char** argv)
{
    CLI::App app{"A stand-in for the RayDeck application: without options it serves the live link as RayDeck "
                 "does; with one it asks a running stand-in.",
                 "raydeck-standin"};
    rdcli::describeTool(app, "raydeck-standin",
                        "it did not go as asked: no installation to serve, no stand-in to ask,\n"
                        "     no answer, the scene not written");
    bool list = false;
    bool describe = false;
    bool quit = false;
    std::string dumpFile;
    std::uint64_t pid = 0;
    app.add_flag("--list", list, "list the running stand-ins: process id, major version, port");
    app.add_flag("--describe", describe, "print the scene description that the add-in reads");
    app.add_option("--dump", dumpFile, "write the scene as a RayDeck scene file (.rdk; \"-\": standard output)");
    app.add_flag("--quit", quit, "ask the stand-in to quit (without --pid: every running one)");
    app.add_option("--pid", pid, "the stand-in to ask, by process id");
    if (const auto status = rdcli::parse(app, "raydeck-standin", argc, argv))
        return rdcli::finish("raydeck-standin", *status);
    return rdcli::finish("raydeck-standin", act(list, describe, quit, dumpFile, pid));
}

} // namespace

int main(int argc, char** argv)
{
    return platform::guardedMain("raydeck-standin", rdcli::kFailed, run, argc, argv);
}
