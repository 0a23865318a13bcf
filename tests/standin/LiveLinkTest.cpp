// The live link between the substitute live library and a stand-in server
// running in this process: what whole render sessions do not reach (broken
// transfers, strangers' requests, ports taken, addresses beyond loopback).

#include "TransferText.h"

#include <livelink/InstanceList.h>
#include <sceneapi/SceneReader.h>
#include <standin/ControlClient.h>
#include <standin/LiveSceneApi.h>
#include <standin/LoopbackStream.h>
#include <standin/Protocol.h>
#include <standin/StandinQuery.h>
#include <standin/StandinServer.h>
#include <standin/TransferRecorder.h>
#include <tests/support/Sandbox.h>

#include <asio.hpp>
#include <tests/support/RunProgram.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <memory>
#include <thread>

#ifndef _WIN32
#include <sys/resource.h>
#endif

using namespace standin::raydeck;
using namespace standintest;
namespace fs = std::filesystem;

namespace {

constexpr std::chrono::seconds kAsk{10};

// A design of a few placements, as one full transfer and as an update
// where one component changed.
TestComponent design(float size = 1)
{
    return {"Gearbox v3", 0, true, {{"Base", 4, 0.5f}},
            {{"Housing", 0, true, {{"Shell", size, 0.2f}}, {}}, {"Bolt", 5, true, {{"Head", 1, 0.9f}}, {}}}};
}

// A loopback port where nothing listens (taken by the system, released again).
int unusedPort()
{
    asio::io_context io;
    const asio::ip::tcp::acceptor probe(io, asio::ip::tcp::endpoint(asio::ip::address_v4::loopback(), 0));
    return probe.local_endpoint().port();
}

// The calls of a transfer text (without its end mark) made on the live
// scene interface, as the add-in would make them.
void stream(const std::string& transfer, velScene_api& api)
{
    const std::string text = transfer.substr(0, transfer.size() - kEndMark.size());
    const vel::ReadResult result = vel::readScene(text, api);
    ASSERT_TRUE(result.ok()) << vel::describe(result.problems.front());
}

class LiveLink : public testing::Test {
protected:
    LiveLink()
    {
        fs::create_directories(dir.path() / "run");
        fs::permissions(dir.path() / "run", fs::perms::owner_all);
        settings.transferFolder = dir / "transfers";
        settings.announcementFolder = dir / "run";
        settings.processId = rdtest::currentProcessId();
        settings.stallTimeout = std::chrono::milliseconds(300);
    }
    ~LiveLink() override { stopServer(); }

    // A connection of its own to the server, with `bytes` sent.
    std::unique_ptr<LoopbackStream> sending(const std::string& bytes)
    {
        std::unique_ptr<LoopbackStream> raw = LoopbackStream::connect(server->port(), kAsk);
        EXPECT_TRUE(raw && raw->send(bytes.data(), bytes.size(), kAsk));
        return raw;
    }
    // The stand-in's answer to what a connection sent, whether or not it
    // ended its side; ending it first when `end`.
    static std::string answer(LoopbackStream* raw, bool end = false)
    {
        if (raw == nullptr || (end && !raw->finishSending()))
            return "(no connection)";
        return raw->receiveAll(kAsk, 4096).value_or("(no answer: " + raw->lastError() + ")");
    }
    // The request that begins a transfer to the running server.
    std::string transferRequest() const { return formatRequest({server->announcement().token, "transfer", ""}); }
    // A live scene interface that finds the server's token, as the live
    // library does.
    std::unique_ptr<LiveSceneApi> liveApi() const
    {
        LiveTimeouts timeouts;
        timeouts.verdict = kAsk;
        return std::make_unique<LiveSceneApi>(settings.announcementFolder, timeouts);
    }
    // Starts the server on its own thread.
    void startServer()
    {
        server = std::make_unique<StandinServer>(settings);
        std::string why;
        ASSERT_TRUE(server->start(&why)) << why;
        thread = std::thread([this] { ending = server->run(); });
    }
    void stopServer()
    {
        if (!server)
            return;
        server->stop();
        if (thread.joinable())
            thread.join();
    }
    std::vector<std::string> recordedFiles() const
    {
        std::vector<std::string> names;
        for (const fs::directory_entry& entry : fs::directory_iterator(settings.transferFolder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string recorded(unsigned number) const
    {
        return rdtest::readFile((fs::path(settings.transferFolder) / transferFileName(number)).string());
    }
    // The scene the server holds now, written through a dump request.
    std::string dumped()
    {
        const std::string path = dir / "dump.rdk";
        const std::optional<std::string> answer = askStandin(server->announcement(), kDump, path, kAsk);
        EXPECT_EQ(answer, std::string(kOk));
        return rdtest::readFile(path);
    }

    rdtest::TempDir dir;
    ServerSettings settings;
    std::unique_ptr<StandinServer> server;
    std::thread thread;
    StandinServer::Ending ending = StandinServer::Ending::Stopped;
};

} // namespace

TEST_F(LiveLink, AWholeTransferIsKeptByteForByteAndABrokenOffOrStalledOneIsRejectedWhole)
{
    startServer();
    const std::string first = transferText("Gearbox", design(), true);
    std::unique_ptr<LiveSceneApi> api = liveApi();
    api->id(1); // the client id, before any connection: kept, not sent
    EXPECT_FALSE(api->beginGroup("before", true));
    ASSERT_TRUE(api->connect("localhost", server->port(), 4));
    stream(first, *api);
    EXPECT_TRUE(api->disconnect());
    EXPECT_EQ(api->lastVerdict(), "accepted 1");
    // What went over the wire is the scene file the writer makes, end mark
    // and all.
    EXPECT_EQ(recorded(1), first);
    HeldScene expected;
    applyOrFail(first, expected);
    const std::string before = dumped();
    EXPECT_EQ(before, sceneFile(expected));
#ifndef _WIN32
    {
        // A dump that cannot be written whole (a file size limit, here on
        // the whole test process for a moment) leaves the file there.
        const std::string kept = dir / "kept.rdk";
        rdtest::writeFile(kept, "kept");
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        const rlimit small{64, saved.rlim_max};
        const auto handler = std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &small);
        const std::optional<std::string> answer = askStandin(server->announcement(), kDump, kept, kAsk);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, handler);
        EXPECT_EQ(answer, std::string(kErrorPrefix) + "cannot write " + kept + ": File too large\n");
        EXPECT_EQ(rdtest::readFile(kept), "kept");
        for (const auto& entry : fs::directory_iterator(dir.path()))
            EXPECT_NE(entry.path().extension(), ".partial");
    }
#endif

    // The same interface starts afresh, and goes away connected half-way.
    const std::string second = transferText("Gearbox", design(7), true);
    const std::string half = second.substr(0, second.find("\ngroup \"Bolt\""));
    ASSERT_TRUE(api->connect("127.0.0.1", server->port(), 1));
    vel::readScene(half, *api);
    api.reset();
    // A sender that stops sending without ending the connection.
    const std::unique_ptr<LoopbackStream> silent = sending(transferRequest() + second.substr(0, second.size() / 2));
    const std::string stalled = answer(silent.get());
    EXPECT_TRUE(stalled.starts_with("rejected 3: nothing came for 300 ms")) << stalled;
    EXPECT_EQ(dumped(), before);
    // Neither is kept.
    EXPECT_EQ(recordedFiles(), std::vector<std::string>{transferFileName(1)});
}

TEST_F(LiveLink, TheQueryListsAndDescribesRunningStandinsWhichOnlyTheirTokenControls)
{
    startServer();
    const std::uint64_t self = rdtest::currentProcessId();
    // Another running process that announces a port where nothing answers
    // (a stand-in that hangs, or a process id reused).
    Announcement silent = server->announcement();
    silent.processId = rdtest::anotherRunningProcessId();
    silent.startedMilliseconds = 0;
    silent.port = unusedPort();
    ASSERT_TRUE(writeAnnouncement(settings.announcementFolder, silent));
    // A dead process's announcement (no process has an id beyond every
    // system's range), one filed under another process, and junk.
    const std::string folder = settings.announcementFolder;
    Announcement dead = silent;
    dead.processId = 2000000000;
    ASSERT_TRUE(writeAnnouncement(folder, dead));
    rdtest::writeFile(announcementPath(folder, 1), formatAnnouncement(silent));
    rdtest::writeFile(folder + "/77.announce", "not an announcement\n");
    rdtest::writeFile(folder + "/notes.txt", formatAnnouncement(silent));

    StandinQuery query(folder);
    const std::vector<vel::live::InstanceRecord> instances = vel::live::listInstances(query, 8, 9);
    ASSERT_EQ(instances.size(), 2u);
    EXPECT_EQ(instances[0], (vel::live::InstanceRecord{9, static_cast<std::int64_t>(silent.processId), silent.port}));
    EXPECT_EQ(instances[1], (vel::live::InstanceRecord{9, static_cast<std::int64_t>(self), server->port()}));

    EXPECT_FALSE(query.attach(static_cast<std::int64_t>(silent.processId)));
    EXPECT_EQ(query.describeScene(), nullptr);
    ASSERT_TRUE(query.attach(static_cast<std::int64_t>(self)));
    ASSERT_NE(query.describeScene(), nullptr);
    query.detach();
    EXPECT_EQ(query.describeScene(), nullptr);
    removeStaleAnnouncements(folder);
    EXPECT_FALSE(fs::exists(announcementPath(folder, dead.processId)));
    EXPECT_TRUE(fs::exists(announcementPath(folder, silent.processId)));
    removeAnnouncement(folder, silent.processId);
    removeAnnouncement(folder, silent.processId); // gone already: nothing happens

    // Control requests need the token; quitting, or being left alone, ends it.
    Announcement stranger = server->announcement();
    stranger.token = std::string(32, '0');
    for (const auto& [who, command, argument] :
         {std::tuple{stranger, "describe", ""}, std::tuple{stranger, "quit", ""},
          std::tuple{server->announcement(), "dump", "relative.rdk"},
          std::tuple{server->announcement(), "render", ""}}) {
        const std::optional<std::string> answer = askStandin(who, command, argument, kAsk);
        ASSERT_TRUE(answer);
        EXPECT_TRUE(answer->starts_with(kErrorPrefix)) << command << ": " << *answer;
    }
    const std::string announced = announcementPath(settings.announcementFolder, settings.processId);
    EXPECT_TRUE(fs::exists(announced));
    EXPECT_EQ(askStandin(server->announcement(), kQuit, "", kAsk), std::string(kOk));
    thread.join();
    EXPECT_EQ(ending, StandinServer::Ending::Quit);
    EXPECT_FALSE(fs::exists(announced));

    settings.idleTimeout = std::chrono::milliseconds(100);
    startServer();
    thread.join();
    EXPECT_EQ(ending, StandinServer::Ending::Idle);
    EXPECT_TRUE(runningAnnouncements(settings.announcementFolder).empty());
}

// Taking the next port of the range when one is taken is part of the render
// sessions, which start two stand-ins.
TEST_F(LiveLink, StandinsListenAndTheLiveSceneInterfaceConnectsOnTheLoopbackOnly)
{
    settings.lowestPort = settings.highestPort = unusedPort();
    settings.announcementFolder.clear();
    StandinServer one(settings);
    StandinServer two(settings);
    std::string why;
    ASSERT_TRUE(one.start(&why)) << why;
    EXPECT_EQ(one.port(), settings.lowestPort);
    EXPECT_FALSE(two.start(&why));
    EXPECT_NE(why.find("no free port"), std::string::npos) << why;
    EXPECT_EQ(two.run(), StandinServer::Ending::Stopped); // nothing to serve: it does not spin

#ifdef __linux__
    // 127.0.0.2 is this machine too, but not the address listened on.
    asio::io_context io;
    asio::ip::tcp::socket socket(io);
    asio::error_code error;
    socket.connect(asio::ip::tcp::endpoint(asio::ip::make_address_v4("127.0.0.2"),
                                           static_cast<unsigned short>(one.port())),
                   error);
    EXPECT_TRUE(error) << "a stand-in answers beyond 127.0.0.1";
#endif

    // Nor does the live scene interface connect beyond this machine, or
    // where nothing listens, or to a port no stand-in announced.
    ASSERT_TRUE(writeAnnouncement(dir / "run", one.announcement()));
    LiveSceneApi api(dir / "run");
    for (const char* host : {"example.com", "192.168.1.1", "::1", "", static_cast<const char*>(nullptr)})
        EXPECT_FALSE(api.connect(host, one.port(), 1)) << (host ? host : "null");
    EXPECT_FALSE(api.connect("localhost", unusedPort(), 4));
    Announcement elsewhere = one.announcement();
    elsewhere.port = unusedPort();
    elsewhere.processId = rdtest::anotherRunningProcessId();
    ASSERT_TRUE(writeAnnouncement(dir / "run", elsewhere));
    EXPECT_FALSE(api.connect("localhost", elsewhere.port, 1));
    EXPECT_FALSE(api.connect("localhost", 0, 1));
    EXPECT_FALSE(api.connect("localhost", 70000, 1));
    EXPECT_FALSE(api.isConnected());
    api.writeText("%s %d", "text", 1); // goes nowhere
    EXPECT_FALSE(api.disconnect());
}

// A client that is slow or silent holds up nobody: transfers and requests
// of others are served meanwhile, and transfers are applied in the order
// they complete, not in the order they began. Keeping only the newest
// recording never removes one still coming in.
TEST_F(LiveLink, ConnectionsAreServedSideBySideAndTransfersAppliedInTheOrderTheyComplete)
{
    settings.stallTimeout = std::chrono::hours(1);
    settings.keepTransfers = 1;
    startServer();
    const std::unique_ptr<LoopbackStream> idle = sending(std::string(1, kRequestStart));
    const std::string early = transferText("Gearbox", design(1), true);
    const std::unique_ptr<LoopbackStream> slow = sending(transferRequest() + early.substr(0, early.size() / 2));

    const std::string later = transferText("Gearbox", design(7), true);
    std::unique_ptr<LiveSceneApi> api = liveApi();
    ASSERT_TRUE(api->connect("localhost", server->port(), 1));
    stream(later, *api);
    EXPECT_TRUE(api->disconnect()) << api->lastVerdict();
    EXPECT_EQ(api->lastVerdict(), "accepted 2");
    const std::optional<std::string> description = askStandin(server->announcement(), kDescribe, "", kAsk);
    ASSERT_TRUE(description);
    EXPECT_NE(description->find("name=\"Gearbox\""), std::string::npos) << *description;

    ASSERT_TRUE(slow->send(early.data() + early.size() / 2, early.size() - early.size() / 2, kAsk));
    EXPECT_EQ(answer(slow.get(), true), "accepted 1\n");
    HeldScene expected;
    applyOrFail(later, expected);
    applyOrFail(early, expected);
    EXPECT_EQ(dumped(), sceneFile(expected));
    EXPECT_TRUE(idle->isOpen());
    EXPECT_EQ(recordedFiles(), std::vector<std::string>{transferFileName(2)}); // the highest number stays
}

// Only a sender that knows the announced token gets a transfer in, and only
// within the size limit; neither kind of refusal reads the body or keeps
// anything. (Which recordings stay: the test above.)
TEST_F(LiveLink, ATransferNeedsTheTokenAndTheSizeAndARefusedOneIsNotKept)
{
    const std::string full = transferText("Gearbox", design(), true);
    const std::string small = transferText("Bolt", {"Bolt", 0, true, {{"Head", 1, 0.9f}}, {}}, true);
    ASSERT_LT(small.size(), full.size());
    settings.maxTransferBytes = full.size() - 1;
    startServer();

    // Refused after the first line, though the body never ends.
    const struct {
        std::string begin;
        std::string answer;
    } refusals[] = {
        {full, "error: not a request\n"},
        {formatRequest({std::string(32, '0'), "transfer", ""}) + full, "error: the token is not this stand-in's\n"},
    };
    for (const auto& refusal : refusals) {
        const std::unique_ptr<LoopbackStream> raw = sending(refusal.begin.substr(0, refusal.begin.size() / 2));
        EXPECT_EQ(answer(raw.get()), refusal.answer);
    }

    std::unique_ptr<LiveSceneApi> api = liveApi();
    ASSERT_TRUE(api->connect("localhost", server->port(), 1));
    stream(full, *api);
    EXPECT_FALSE(api->disconnect());
    ASSERT_TRUE(api->connect("localhost", server->port(), 1));
    stream(small, *api);
    EXPECT_TRUE(api->disconnect()) << api->lastVerdict();
    EXPECT_EQ(api->lastVerdict(), "accepted 2");
    EXPECT_EQ(recordedFiles(), std::vector<std::string>{transferFileName(2)});
    HeldScene expected;
    applyOrFail(small, expected);
    EXPECT_EQ(dumped(), sceneFile(expected));
}
