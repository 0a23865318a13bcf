// The live link between the substitute live library and a stand-in server
// running in this process: transfers, their verdicts and records, the query
// interface, control requests, ports and the end of a stand-in.

#include "TransferText.h"

#include <ControlClient.h>
#include <InstanceList.h>
#include <LiveSceneApi.h>
#include <LoopbackStream.h>
#include <Protocol.h>
#include <Sandbox.h>
#include <SceneReader.h>
#include <StandinQuery.h>
#include <StandinServer.h>
#include <TransferRecorder.h>

#include <asio.hpp>
#include <RunProgram.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>
#include <thread>

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
        settings.log = [this](const std::string& line) {
            const std::lock_guard<std::mutex> lock(logMutex);
            log += line + "\n";
        };
    }
    ~LiveLink() override { stopServer(); }

    // Sends bytes over a raw connection (ending the sending side if asked)
    // and returns the stand-in's verdict.
    std::string sendRaw(const std::string& bytes, bool finish)
    {
        std::unique_ptr<LoopbackStream> raw = LoopbackStream::connect(server->port(), kAsk);
        EXPECT_TRUE(raw && raw->send(bytes.data(), bytes.size(), kAsk) && (!finish || raw->finishSending()));
        return raw ? raw->receiveAll(kAsk, 4096).value_or("(no verdict)") : "(no connection)";
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
    std::string logText()
    {
        const std::lock_guard<std::mutex> lock(logMutex);
        return log;
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
    std::mutex logMutex;
    std::string log;
};

} // namespace

TEST_F(LiveLink, ATransferArrivesWholeIsKeptByteForByteAndChangesTheScene)
{
    startServer();
    const std::string transfer = transferText("Gearbox", design(), true);
    LiveSceneApi api;
    api.id(1); // the client id, before any connection: kept, not sent
    EXPECT_FALSE(api.beginGroup("before", true));
    ASSERT_TRUE(api.connect("localhost", server->port(), 4));
    stream(transfer, api);
    EXPECT_TRUE(api.disconnect());
    EXPECT_EQ(api.lastVerdict(), "accepted 1");
    EXPECT_EQ(api.clientId(), 1u);
    EXPECT_FALSE(api.disconnect()); // nothing left to end

    // What went over the wire is the scene file the writer makes, end mark
    // and all.
    EXPECT_EQ(recorded(1), transfer);
    HeldScene expected;
    applyOrFail(transfer, expected);
    EXPECT_EQ(dumped(), sceneFile(expected));

    // The same interface starts afresh for a second transfer.
    ASSERT_TRUE(api.connect("127.0.0.1", server->port(), 1));
    stream(transferText("Gearbox", design(2), true), api);
    EXPECT_TRUE(api.disconnect());
    EXPECT_EQ(api.lastVerdict(), "accepted 2");
}

TEST_F(LiveLink, ABrokenOffStalledOrMalformedTransferIsRejectedWholeAndRecorded)
{
    startServer();
    const std::string first = transferText("Gearbox", design(), true);
    {
        LiveSceneApi api;
        ASSERT_TRUE(api.connect("localhost", server->port(), 1));
        stream(first, api);
        ASSERT_TRUE(api.disconnect());
    }
    const std::string before = dumped();
    const std::string second = transferText("Gearbox", design(7), true);

    // The sender goes away half-way: the interface is destroyed connected.
    {
        LiveSceneApi api;
        ASSERT_TRUE(api.connect("localhost", server->port(), 1));
        vel::readScene(second.substr(0, second.find("\ngroup \"Bolt\"")), api);
    }
    // A sender that stops sending without ending the connection.
    const std::string stalled = sendRaw(second.substr(0, second.size() / 2), false);
    EXPECT_TRUE(stalled.starts_with("rejected 3: nothing came for 300 ms")) << stalled;
    // A text that breaks in its middle, complete with its end mark.
    std::string broken = second;
    broken.insert(broken.find("group \"Bolt\""), "}\n}\n}\n");
    const std::string malformed = sendRaw(broken, true);
    EXPECT_TRUE(malformed.starts_with("rejected 4: ")) << malformed;
    EXPECT_EQ(recorded(4), broken);
    EXPECT_EQ(dumped(), before);
    // The reader closed the blocks it left open; the end mark never came.
    EXPECT_TRUE(recorded(2).starts_with(second.substr(0, second.find("\ngroup \"Bolt\""))));
    EXPECT_FALSE(recorded(2).ends_with(kEndMark));
    EXPECT_NE(logText().find("transfer 2 rejected: the transfer ended after"), std::string::npos) << logText();
}

TEST_F(LiveLink, TheQueryListsRunningStandinsAndDescribesTheirScenes)
{
    startServer();
    const std::uint64_t self = rdtest::currentProcessId();
    // Another running process that announces a port where nothing answers
    // (a stand-in that hangs, or a process id reused), and a dead one.
    Announcement silent = server->announcement();
    silent.processId = rdtest::anotherRunningProcessId();
    silent.startedMilliseconds = 0;
    silent.port = unusedPort();
    ASSERT_TRUE(writeAnnouncement(settings.announcementFolder, silent));
    Announcement dead = silent;
    dead.processId = 2000000000;
    ASSERT_TRUE(writeAnnouncement(settings.announcementFolder, dead));

    StandinQuery query(settings.announcementFolder);
    const std::vector<vel::live::InstanceRecord> instances = vel::live::listInstances(query, 8, 9);
    ASSERT_EQ(instances.size(), 2u);
    EXPECT_EQ(instances[0], (vel::live::InstanceRecord{9, static_cast<std::int64_t>(silent.processId), silent.port}));
    EXPECT_EQ(instances[1], (vel::live::InstanceRecord{9, static_cast<std::int64_t>(self), server->port()}));

    EXPECT_FALSE(query.attach(static_cast<std::int64_t>(silent.processId)));
    EXPECT_EQ(query.describeScene(), nullptr);
    EXPECT_FALSE(query.attach(static_cast<std::int64_t>(dead.processId)));
    ASSERT_TRUE(query.attach(static_cast<std::int64_t>(self)));
    ASSERT_NE(query.describeScene(), nullptr);
    query.detach();
    EXPECT_EQ(query.describeScene(), nullptr);
}

TEST_F(LiveLink, ControlRequestsNeedTheTokenAndQuitEndsTheStandin)
{
    startServer();
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
}

TEST_F(LiveLink, AnIdleStandinEndsByItself)
{
    settings.idleTimeout = std::chrono::milliseconds(100);
    startServer();
    thread.join();
    EXPECT_EQ(ending, StandinServer::Ending::Idle);
    EXPECT_TRUE(runningAnnouncements(settings.announcementFolder).empty());
}

TEST_F(LiveLink, StandinsTakeTheFirstFreePortOfTheirRangeOnTheLoopbackOnly)
{
    // A free pair of ports: the system's choice and the next one, if free.
    int first = 0;
    for (int tries = 0; tries < 20 && first == 0; ++tries) {
        asio::io_context io;
        asio::ip::tcp::acceptor a(io, asio::ip::tcp::endpoint(asio::ip::address_v4::loopback(), 0));
        const int port = a.local_endpoint().port();
        asio::error_code error;
        asio::ip::tcp::acceptor b(io);
        b.open(asio::ip::tcp::v4());
        b.bind(asio::ip::tcp::endpoint(asio::ip::address_v4::loopback(), static_cast<unsigned short>(port + 1)), error);
        if (!error && port < 65535)
            first = port;
    }
    ASSERT_NE(first, 0);
    settings.lowestPort = first;
    settings.highestPort = first + 1;
    settings.announcementFolder.clear();
    StandinServer one(settings);
    StandinServer two(settings);
    StandinServer three(settings);
    std::string why;
    ASSERT_TRUE(one.start(&why)) << why;
    ASSERT_TRUE(two.start(&why)) << why;
    EXPECT_EQ(one.port(), first);
    EXPECT_EQ(two.port(), first + 1);
    EXPECT_FALSE(three.start(&why));
    EXPECT_NE(why.find("no free port"), std::string::npos) << why;
    EXPECT_EQ(three.run(), StandinServer::Ending::Stopped); // nothing to serve: it does not spin

#ifdef __linux__
    // 127.0.0.2 is this machine too, but not the address listened on.
    asio::io_context io;
    asio::ip::tcp::socket socket(io);
    asio::error_code error;
    socket.connect(asio::ip::tcp::endpoint(asio::ip::make_address_v4("127.0.0.2"), static_cast<unsigned short>(first)),
                   error);
    EXPECT_TRUE(error) << "a stand-in answers beyond 127.0.0.1";
#endif
}

TEST(LiveSceneApi, ConnectsOnlyToThisMachineAndNotWhereNothingListens)
{
    const int closedPort = unusedPort();
    LiveSceneApi api;
    for (const char* host : {"example.com", "192.168.1.1", "::1", "", static_cast<const char*>(nullptr)})
        EXPECT_FALSE(api.connect(host, closedPort, 1)) << (host ? host : "null");
    EXPECT_FALSE(api.connect("localhost", closedPort, 4));
    EXPECT_FALSE(api.connect("localhost", 0, 1));
    EXPECT_FALSE(api.connect("localhost", 70000, 1));
    EXPECT_FALSE(api.isConnected());
    // Calls without a connection go nowhere.
    EXPECT_FALSE(api.beginGroup("x", true));
    api.endGroup();
    api.writeText("%s %d", "text", 1);
    EXPECT_EQ(api.capturedText(), nullptr);
    EXPECT_FALSE(api.disconnect());
}
