// The live factory against the scripted live library, in a registry sandbox
// with RayDeck 9 installed, a clock that does not sleep and a launcher that
// starts nothing: how it finds, launches and connects to RayDeck.

#include "ScriptedLive.h"

#include <LiveConnection.h>
#include <RepeatLinkFactory.h>
#include <raydecklive_loader.h>
#include <velScene_api.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

using namespace vel::live;
using rdtest::instanceList;
using rdtest::regDword;

namespace {

class LiveLinkTest : public testing::Test {
protected:
    LiveLinkTest() { factory.setVersionRange(8, 9); }

    // One process of RayDeck 9 with an empty scene, announcing `port`.
    void oneProcess(int port)
    {
        live.script.instances = {rdtest::instanceList({{9, 4711, port}})};
        live.script.processes[4711] = {true, rdtest::kEmptyScene};
    }
    // Registers RayDeck 9 with these .reg port values.
    void registerPorts(const std::string& values) const { live.install(9, values); }

    std::string failure(std::string_view reason) const { return vel::RepeatLinkFactory::kFailurePrefix + std::string(reason); }

    rdtest::RegistrySandbox sandbox;
    rdtest::FakeSystem system;
    rdtest::ScriptedLive live{sandbox};
    vel::RepeatLinkFactory factory; // goes first: disconnects and unloads
};

using Calls = std::vector<std::string>;

Calls connects(const Calls& calls)
{
    Calls found;
    std::copy_if(calls.begin(), calls.end(), std::back_inserter(found),
                 [](const std::string& call) { return call.starts_with("connect("); });
    return found;
}

} // namespace

using LiveConnectionTest = LiveLinkTest;
using RepeatLinkFactoryTest = LiveLinkTest;

TEST_F(LiveConnectionTest, WithoutAnAnnouncedPortTheRegisteredOnesAreTriedInOrderUntilOneAnswers)
{
    oneProcess(0);
    live.script.accept = {"127.0.0.1:5001", "127.0.0.1:5002"};
    live.write();
    registerPorts(regDword("LiveLinkPort", 5000) + regDword("LiveLinkMaxPort", 5002));
    ASSERT_NE(factory.sceneApi(), nullptr) << factory.message();
    EXPECT_EQ(connects(live.calls()), Calls({"connect(127.0.0.1,5000,1)", "connect(127.0.0.1,5001,1)"}));

    // Without a highest port there is no range to try.
    factory.close();
    live.clearCalls();
    registerPorts(regDword("LiveLinkPort", 5001));
    EXPECT_EQ(factory.sceneApi(), nullptr);
    EXPECT_EQ(factory.message(), failure(kNoPortAnswered));
    EXPECT_TRUE(connects(live.calls()).empty());
}

TEST_F(LiveConnectionTest, TheRegisteredRangeIsLimitedToRealPorts)
{
    oneProcess(0);
    live.write();
    const auto tryRange = [&](unsigned lowest, unsigned highest) {
        registerPorts(regDword("LiveLinkPort", lowest) + regDword("LiveLinkMaxPort", highest));
        live.clearCalls();
        EXPECT_EQ(factory.sceneApi(), nullptr);
        return connects(live.calls());
    };
    EXPECT_EQ(tryRange(0, 2), Calls({"connect(127.0.0.1,1,1)", "connect(127.0.0.1,2,1)"}));
    // Up to the largest 32-bit number: two real ports, no endless scan.
    EXPECT_EQ(tryRange(65534, 0x7fffffff), Calls({"connect(127.0.0.1,65534,1)", "connect(127.0.0.1,65535,1)"}));
}

TEST_F(LiveConnectionTest, WithNoProcessRunningRayDeckIsLaunchedAndAwaitedWithASleepAfterEachListing)
{
    const std::string none = instanceList({});
    live.script.instances = {none, none, none, instanceList({{9, 4711, 5000}})};
    live.script.processes[4711] = {true, rdtest::kEmptyScene};
    live.script.accept = {"localhost:5000"};
    live.write();
    factory.setWaitMilliseconds(25);

    ASSERT_NE(factory.sceneApi(), nullptr) << factory.message();
    EXPECT_EQ(system.launches, std::vector<std::string>({live.raydeck.binName}));
    // The listing that finds it is followed by a sleep too.
    EXPECT_EQ(system.sleeps, std::vector<std::uint32_t>({25, 25, 25}));
    EXPECT_EQ(live.calls().back(), "connect(localhost,5000,4)");
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
    EXPECT_EQ(factory.message(), failure(kNoPortAnswered));
    EXPECT_EQ(system.sleeps, std::vector<std::uint32_t>(3, 1000));
    EXPECT_EQ(listings(), 4);

    // No attempts at all: no wait (rather than four billion).
    system.sleeps.clear();
    live.clearCalls();
    factory.setAttempts(0);
    EXPECT_EQ(factory.sceneApi(), nullptr);
    EXPECT_TRUE(system.sleeps.empty());
    EXPECT_EQ(listings(), 1);
}

TEST_F(LiveConnectionTest, AProcessOutsideTheRangeIsIgnoredAndAFailedLaunchEndsTheConnection)
{
    live.script.instances = {instanceList({{10, 1, 5000}, {7, 2, 5001}})};
    live.script.processes = {{1, {true, rdtest::kEmptyScene}}, {2, {true, rdtest::kEmptyScene}}};
    live.script.accept = {"localhost:5000", "localhost:5001"};
    live.write();
    system.launchSucceeds = false;

    EXPECT_EQ(factory.sceneApi(), nullptr);
    EXPECT_EQ(factory.message(),
              "Failed to connect. Unabled to launch RayDeck. Please check your RayDeck installation.");
    EXPECT_EQ(system.launches, std::vector<std::string>({live.raydeck.binName}));
    EXPECT_TRUE(system.sleeps.empty());
    const Calls calls = live.calls();
    EXPECT_TRUE(connects(calls).empty());
    EXPECT_EQ(std::find(calls.begin(), calls.end(), "attach(1)"), calls.end());
}

TEST_F(RepeatLinkFactoryTest, AMissingInstallationOrInterfaceIsReported)
{
    sandbox.writeUser("");
    EXPECT_EQ(factory.sceneApi(), nullptr);
    EXPECT_EQ(factory.message(),
              "Failed to connect. Could not get a scene api. Please check your RayDeck installation.\n");
    EXPECT_TRUE(live.calls().empty()); // nothing was loaded

    live.install();
    live.script.queryApi = false;
    live.write();
    EXPECT_EQ(factory.sceneApi(), nullptr);
    EXPECT_EQ(factory.message(), failure(kNoQueryApi));
    // The client id goes out before the query interface is asked for; a
    // failure neither disconnects nor unloads.
    factory.close();
    EXPECT_EQ(live.calls(), Calls({"initialize()", "id(1)"}));
}

TEST_F(RepeatLinkFactoryTest, AConnectedFactoryConnectsOnceOnTheAnnouncedPortAndClosesOnce)
{
    oneProcess(5000);
    live.script.accept = {"localhost:5000"};
    live.write();
    {
        vel::RepeatLinkFactory idle; // never connected: closing touches nothing
        idle.close();
    }
    EXPECT_TRUE(live.calls().empty());

    velScene_api* scene = factory.sceneApi();
    ASSERT_NE(scene, nullptr);
    EXPECT_EQ(factory.sceneApi(), scene);
    EXPECT_EQ(factory.message(), "");
    factory.close();
    factory.close();
    {
        vel::RepeatLinkFactory other; // destroyed connected
        ASSERT_NE(other.sceneApi(), nullptr);
    }
    const Calls transfer{"initialize()", "id(1)",  "listInstances()", "attach(4711)", "describeScene()",
                         "detach()",     "connect(localhost,5000,4)", "disconnect()", "destroy(1)"};
    Calls twice = transfer;
    twice.insert(twice.end(), transfer.begin(), transfer.end());
    EXPECT_EQ(live.calls(), twice);
    EXPECT_TRUE(system.launches.empty());
    EXPECT_TRUE(system.sleeps.empty());
}

TEST_F(RepeatLinkFactoryTest, AFailedFactoryTriesTheWholeConnectionAgainAndForgetsTheOldReason)
{
    oneProcess(0);
    live.script.accept = {"127.0.0.1:5000"};
    live.write();
    EXPECT_EQ(factory.sceneApi(), nullptr);
    EXPECT_EQ(factory.message(), failure(kNoPortAnswered));

    registerPorts(regDword("LiveLinkPort", 5000) + regDword("LiveLinkMaxPort", 5000));
    ASSERT_NE(factory.sceneApi(), nullptr);
    EXPECT_EQ(factory.message(), "");
    const Calls calls = live.calls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "initialize()"), 1); // the library stayed loaded
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "id(1)"), 2);
}
