// The live factory against the scripted live library, in a registry sandbox
// with RayDeck 9 installed, a clock that does not sleep and a launcher that
// starts nothing: how it finds, launches and connects to RayDeck. What a
// connected factory sends is in the render command's golden calls.

#include "ScriptedLive.h"

#include <livelink/LiveConnection.h>
#include <livelink/RepeatLinkFactory.h>
#include <sceneapi/dev/raydecklive_loader.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace vel::live;
using rdtest::instanceList;
using rdtest::regDword;
using Calls = std::vector<std::string>;

namespace {

class RepeatLinkFactoryTest : public testing::Test {
protected:
    RepeatLinkFactoryTest() { factory.setVersionRange(8, 9); }

    // One process of RayDeck 9 with an empty scene, announcing `port`.
    void oneProcess(int port)
    {
        live.script.instances = {instanceList({{9, 4711, port}})};
        live.script.processes[4711] = {true, rdtest::kEmptyScene};
    }
    // Registers RayDeck 9 with the ports lowest..highest (none: left out).
    void registerPorts(std::optional<unsigned> lowest, std::optional<unsigned> highest) const
    {
        live.install(9, (lowest ? regDword("LiveLinkPort", *lowest) : "")
                            + (highest ? regDword("LiveLinkMaxPort", *highest) : ""));
    }
    long count(const std::string& call) const
    {
        const Calls calls = live.calls();
        return std::count(calls.begin(), calls.end(), call);
    }
    Calls connects() const
    {
        Calls found;
        for (const std::string& call : live.calls())
            if (call.starts_with("connect("))
                found.push_back(call);
        return found;
    }
    static std::string failure(std::string_view reason) { return vel::RepeatLinkFactory::kFailurePrefix + std::string(reason); }

    rdtest::RegistrySandbox sandbox;
    rdtest::FakeSystem system;
    rdtest::ScriptedLive live{sandbox};
    vel::RepeatLinkFactory factory; // goes first: disconnects and unloads
};

} // namespace

TEST_F(RepeatLinkFactoryTest, WithoutAnAnnouncedPortTheRegisteredRealPortsAreTriedInOrder)
{
    oneProcess(0);
    live.script.accept = {"127.0.0.1:5001", "127.0.0.1:5002"};
    live.write();
    const struct {
        std::optional<unsigned> lowest, highest;
        bool answered;
        Calls tried;
    } cases[] = {
        {5000, 5002, true, {"connect(127.0.0.1,5000,1)", "connect(127.0.0.1,5001,1)"}}, // until one answers
        {5001, std::nullopt, false, {}}, // no range without a highest port
        {0, 2, false, {"connect(127.0.0.1,1,1)", "connect(127.0.0.1,2,1)"}},
        // Up to the largest 32-bit number: two real ports, no endless scan.
        {65534, 0x7fffffff, false, {"connect(127.0.0.1,65534,1)", "connect(127.0.0.1,65535,1)"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.lowest.value_or(0) << ".." << c.highest.value_or(0));
        factory.close();
        live.clearCalls();
        registerPorts(c.lowest, c.highest);
        EXPECT_EQ(factory.sceneApi() != nullptr, c.answered);
        EXPECT_EQ(factory.message(), c.answered ? "" : failure(kNoPortAnswered));
        EXPECT_EQ(connects(), c.tried);
    }
}

TEST_F(RepeatLinkFactoryTest, ALaunchedRayDeckIsAwaitedWithASleepAfterEachListingUpToTheAttemptsUnlessTheLaunchFails)
{
    const std::string none = instanceList({});
    live.script.instances = {none, none, none, instanceList({{9, 4711, 5000}})};
    live.script.processes[4711] = {true, rdtest::kEmptyScene};
    live.script.accept = {"localhost:5000"};
    live.write();
    factory.setWaitMilliseconds(25);
    ASSERT_NE(factory.sceneApi(), nullptr) << factory.message();
    EXPECT_EQ(system.launches, Calls({live.raydeck.binName}));
    // The listing that finds it is followed by a sleep too.
    EXPECT_EQ(system.sleeps, std::vector<std::uint32_t>({25, 25, 25}));
    EXPECT_EQ(live.calls().back(), "connect(localhost,5000,4)");

    // Never there: four listings, three waits of the default second; no
    // attempts at all wait for nothing (rather than four billion times).
    factory.close();
    live.script.instances = {none};
    live.write();
    for (const std::uint32_t attempts : {4u, 0u}) {
        SCOPED_TRACE(attempts);
        system.sleeps.clear();
        live.clearCalls();
        factory.setAttempts(attempts);
        factory.setWaitMilliseconds(1000);
        EXPECT_EQ(factory.sceneApi(), nullptr);
        EXPECT_EQ(factory.message(), failure(kNoPortAnswered));
        EXPECT_EQ(system.sleeps, std::vector<std::uint32_t>(attempts > 0 ? attempts - 1 : 0, 1000));
        EXPECT_EQ(count("listInstances()"), std::max(attempts, 1u));
    }

    // A failed launch ends the connection at once; processes of other
    // versions do not count.
    live.script.instances = {instanceList({{10, 4711, 5000}, {7, 4711, 5000}})};
    live.write();
    unloadLiveLibrary(); // for the script to be read again
    system.launchSucceeds = false;
    system.sleeps.clear();
    live.clearCalls();
    EXPECT_EQ(factory.sceneApi(), nullptr);
    EXPECT_EQ(factory.message(),
              "Failed to connect. Unabled to launch RayDeck. Please check your RayDeck installation.");
    EXPECT_TRUE(system.sleeps.empty());
    EXPECT_TRUE(connects().empty());
    EXPECT_EQ(count("attach(4711)"), 0);
}

TEST_F(RepeatLinkFactoryTest, AMissingQueryInterfaceIsReportedAfterTheClientId)
{
    live.script.queryApi = false;
    live.write();
    EXPECT_EQ(factory.sceneApi(), nullptr);
    EXPECT_EQ(factory.message(), failure(kNoQueryApi));
    // A failure neither disconnects nor unloads.
    factory.close();
    EXPECT_EQ(live.calls(), Calls({"initialize()", "id(1)"}));
}

TEST_F(RepeatLinkFactoryTest, AFailedFactoryTriesTheWholeConnectionAgainAndForgetsTheOldReason)
{
    oneProcess(0);
    live.script.accept = {"127.0.0.1:5000"};
    live.write();
    EXPECT_EQ(factory.sceneApi(), nullptr);
    EXPECT_EQ(factory.message(), failure(kNoPortAnswered));

    registerPorts(5000, 5000);
    ASSERT_NE(factory.sceneApi(), nullptr);
    EXPECT_EQ(factory.message(), "");
    EXPECT_EQ(count("initialize()"), 1); // the library stayed loaded
    EXPECT_EQ(count("id(1)"), 2);
}
