#include "LiveTestFixture.h"

#include <LiveConnection.h>

using namespace vel::live;
using rdtest::instanceList;
using rdtest::regDword;
using rdtest::regString;

using LiveConnectionTest = LiveLinkTest;

TEST_F(LiveConnectionTest, AnAnnouncedPortIsConnectedOnLocalhostWith4)
{
    oneProcess(5000);
    live.script.accept = {"localhost:5000"};
    live.write();

    ASSERT_NE(factory.sceneApi(), nullptr) << factory.message();
    EXPECT_EQ(factory.message(), "");
    EXPECT_FALSE(factory.isReusing());
    factory.close();
    const Calls expected{"initialize()",    "id(1)",    "listInstances()",           "attach(4711)",
                         "describeScene()", "detach()", "connect(localhost,5000,4)", "disconnect()",
                         "destroy(1)"};
    EXPECT_EQ(live.calls(), expected);
    EXPECT_TRUE(system.launches.empty());
    EXPECT_TRUE(system.sleeps.empty());
}

TEST_F(LiveConnectionTest, WithoutAnAnnouncedPortTheRegisteredOnesAreTriedInOrderUntilOneAnswers)
{
    oneProcess(0);
    live.script.accept = {"127.0.0.1:5001", "127.0.0.1:5002"};
    live.write();
    registerPorts(regDword("LiveLinkPort", 5000) + regDword("LiveLinkMaxPort", 5002));

    ASSERT_NE(factory.sceneApi(), nullptr) << factory.message();
    Calls calls = live.calls();
    const Calls connects(calls.end() - 2, calls.end());
    EXPECT_EQ(connects, Calls({"connect(127.0.0.1,5000,1)", "connect(127.0.0.1,5001,1)"}));
    factory.close();

    // A negative port is no announcement either; ports stored as text work.
    oneProcess(-1);
    live.write();
    live.clearCalls();
    registerPorts(regString("LiveLinkPort", "5001") + regString("LiveLinkMaxPort", " 5002"));
    ASSERT_NE(factory.sceneApi(), nullptr) << factory.message();
    calls = live.calls();
    EXPECT_EQ(calls.back(), "connect(127.0.0.1,5001,1)");
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "connect(127.0.0.1,5001,1)"), 1);
}

TEST_F(LiveConnectionTest, WhenNoPortAnswersTheConnectionFails)
{
    oneProcess(5000);
    live.write(); // nothing accepts
    EXPECT_EQ(factory.sceneApi(), nullptr);
    EXPECT_EQ(factory.message(), failure(kNoPortAnswered));
    EXPECT_EQ(live.calls().back(), "connect(localhost,5000,4)");

    // An announced port that does not answer is not followed by the
    // registered ones.
    registerPorts(regDword("LiveLinkPort", 6000) + regDword("LiveLinkMaxPort", 6001));
    live.clearCalls();
    EXPECT_EQ(factory.sceneApi(), nullptr);
    EXPECT_EQ(live.calls().back(), "connect(localhost,5000,4)");

    // A missing highest port: the lowest is read, but no range, so no connect.
    oneProcess(0);
    live.script.accept = {"127.0.0.1:6000"};
    live.write();
    live.clearCalls();
    vel::live::unloadLiveLibrary(); // the next load reads the new script
    registerPorts(regDword("LiveLinkPort", 6000));
    EXPECT_EQ(factory.sceneApi(), nullptr);
    EXPECT_EQ(factory.message(), failure(kNoPortAnswered));
    for (const std::string& call : live.calls())
        EXPECT_EQ(call.find("connect("), std::string::npos) << call;
}

TEST_F(LiveConnectionTest, TheRegisteredRangeIsLimitedToRealPorts)
{
    oneProcess(0);
    live.write();
    Calls connects;
    const auto tryRange = [&](unsigned lowest, unsigned highest) {
        registerPorts(regDword("LiveLinkPort", lowest) + regDword("LiveLinkMaxPort", highest));
        live.clearCalls();
        EXPECT_EQ(factory.sceneApi(), nullptr);
        connects.clear();
        for (const std::string& call : live.calls()) {
            if (call.starts_with("connect("))
                connects.push_back(call);
        }
    };
    tryRange(0, 2);
    EXPECT_EQ(connects, Calls({"connect(127.0.0.1,1,1)", "connect(127.0.0.1,2,1)"}));
    // Up to the largest 32-bit number: two real ports, no endless scan.
    tryRange(65534, 0x7fffffff);
    EXPECT_EQ(connects, Calls({"connect(127.0.0.1,65534,1)", "connect(127.0.0.1,65535,1)"}));
    tryRange(5002, 5000);
    EXPECT_TRUE(connects.empty());
}

TEST_F(LiveConnectionTest, WithNoProcessRunningRayDeckIsLaunchedAndAwaitedAfterEachSleep)
{
    const std::string none = instanceList({});
    live.script.instances = {none, none, none, instanceList({{9, 4711, 5000}})};
    live.script.processes[4711] = {true, rdtest::kEmptyScene};
    live.script.accept = {"localhost:5000"};
    live.write();
    factory.setWaitMilliseconds(25);

    ASSERT_NE(factory.sceneApi(), nullptr) << factory.message();
    EXPECT_EQ(system.launches, std::vector<std::string>({live.raydeck.binName}));
    // The listing that finds it is also followed by a sleep.
    EXPECT_EQ(system.sleeps, std::vector<std::uint32_t>({25, 25, 25}));
    const Calls calls = live.calls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "listInstances()"), 4);
    EXPECT_EQ(calls.back(), "connect(localhost,5000,4)");
}

TEST_F(LiveConnectionTest, TheWaitIsBoundedByTheAttempts)
{
    live.script.instances = {instanceList({})};
    live.write();
    const auto listings = [&] {
        const Calls calls = live.calls();
        return std::count(calls.begin(), calls.end(), "listInstances()");
    };

    factory.setAttempts(4);
    EXPECT_EQ(factory.sceneApi(), nullptr);
    // After the launch the registered ports are the last resort; none here.
    EXPECT_EQ(factory.message(), failure(kNoPortAnswered));
    EXPECT_EQ(system.sleeps, std::vector<std::uint32_t>(3, 1000));
    EXPECT_EQ(listings(), 4);

    for (const std::uint32_t attempts : {1u, 0u}) {
        system.sleeps.clear();
        live.clearCalls();
        factory.setAttempts(attempts);
        EXPECT_EQ(factory.sceneApi(), nullptr);
        EXPECT_TRUE(system.sleeps.empty()) << attempts;
        EXPECT_EQ(listings(), 1) << attempts;
    }
    EXPECT_EQ(system.launches.size(), 3u);
}

TEST_F(LiveConnectionTest, AProcessOutsideTheRangeIsIgnoredAndAFailedLaunchEndsTheConnection)
{
    live.script.instances = {instanceList({{10, 1, 5000}, {7, 2, 5001}})};
    live.script.processes = {{1, {true, rdtest::kEmptyScene}}, {2, {true, rdtest::kEmptyScene}}};
    live.script.accept = {"localhost:5000", "localhost:5001"};
    live.write();
    system.launchSucceeds = false;

    EXPECT_EQ(factory.sceneApi(), nullptr);
    EXPECT_EQ(factory.message(), failure(kLaunchFailed));
    EXPECT_EQ(factory.message(),
              "Failed to connect. Unabled to launch RayDeck. Please check your RayDeck installation.");
    EXPECT_EQ(system.launches, std::vector<std::string>({live.raydeck.binName}));
    EXPECT_TRUE(system.sleeps.empty());
    for (const std::string& call : live.calls())
        EXPECT_FALSE(call.starts_with("attach(") || call.starts_with("connect(")) << call;

    // No installation of the range to launch: the same message, nothing run.
    system.launches.clear();
    factory.setVersionRange(8, 8);
    EXPECT_EQ(factory.sceneApi(), nullptr); // the library stays loaded from before
    EXPECT_EQ(factory.message(), failure(kLaunchFailed));
    EXPECT_TRUE(system.launches.empty());
}

TEST_F(LiveConnectionTest, AProcessAlreadyShowingTheModelSetIsReused)
{
    live.script.instances = {instanceList({{9, 1, 5001}, {9, 2, 5002}})};
    live.script.processes = {{1, {true, rdtest::kEmptyScene}}, {2, {true, rdtest::sceneWithModelSet("Gearbox")}}};
    live.script.accept = {"localhost:5001", "localhost:5002"};
    live.write();
    factory.setModelSetName("Gearbox");

    ASSERT_NE(factory.sceneApi(), nullptr) << factory.message();
    EXPECT_TRUE(factory.isReusing());
    EXPECT_EQ(live.calls().back(), "connect(localhost,5002,4)");
    factory.close();

    vel::RepeatLinkFactory other;
    other.setModelSetName("Gearbox v2");
    ASSERT_NE(other.sceneApi(), nullptr) << other.message();
    EXPECT_FALSE(other.isReusing());
    EXPECT_EQ(live.calls().back(), "connect(localhost,5001,4)");
}
