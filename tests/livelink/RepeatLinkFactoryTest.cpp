#include "LiveTestFixture.h"

#include <LiveConnection.h>
#include <velScene_api.h>

using namespace vel::live;
using rdtest::regDword;

using RepeatLinkFactoryTest = LiveLinkTest;

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
