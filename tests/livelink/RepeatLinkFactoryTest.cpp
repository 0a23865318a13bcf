#include "LiveTestFixture.h"

#include <LiveConnection.h>
#include <velScene_api.h>

using namespace vel::live;
using rdtest::regDword;

using RepeatLinkFactoryTest = LiveLinkTest;

TEST(RepeatLinkFactory, StartsWithTheDocumentedSettings)
{
    const vel::RepeatLinkFactory factory;
    EXPECT_EQ(factory.attempts(), 20u);
    EXPECT_EQ(factory.waitMilliseconds(), 1000u);
    EXPECT_EQ(factory.minVersion(), 7u);
    EXPECT_EQ(factory.maxVersion(), 20u);
    EXPECT_EQ(factory.modelSetName(), "");
    EXPECT_FALSE(factory.acceptAny());
    EXPECT_FALSE(factory.isReusing());
    EXPECT_EQ(factory.message(), "");
    EXPECT_EQ(factory.clientId(), 1u);
}

TEST_F(RepeatLinkFactoryTest, WithoutAnInstallationThereIsNoSceneApi)
{
    sandbox.writeUser("");
    EXPECT_EQ(factory.sceneApi(), nullptr);
    EXPECT_EQ(factory.message(),
              "Failed to connect. Could not get a scene api. Please check your RayDeck installation.\n");
    EXPECT_TRUE(live.calls().empty()); // never loaded
    EXPECT_TRUE(system.launches.empty());
}

TEST_F(RepeatLinkFactoryTest, AMissingInterfaceOfTheLibraryIsReported)
{
    live.script.sceneApi = false;
    live.write();
    EXPECT_EQ(factory.sceneApi(), nullptr);
    EXPECT_EQ(factory.message(), failure(kNoSceneApi));
    unloadLiveLibrary();

    live.script.sceneApi = true;
    live.script.queryApi = false;
    live.write();
    live.clearCalls();
    EXPECT_EQ(factory.sceneApi(), nullptr);
    EXPECT_EQ(factory.message(), "Failed to connect. Could not get a query api. Please check your RayDeck installation.\n");
    // The client id goes to the scene interface before the query interface is
    // asked for; a failure neither disconnects nor unloads.
    EXPECT_EQ(live.calls(), Calls({"initialize()", "id(1)"}));
    factory.close();
    EXPECT_EQ(live.calls(), Calls({"initialize()", "id(1)"}));
}

TEST_F(RepeatLinkFactoryTest, AConnectedFactoryConnectsOnceAndClosesOnce)
{
    oneProcess(5000);
    live.script.accept = {"localhost:5000"};
    live.write();

    velScene_api* first = factory.sceneApi();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(factory.sceneApi(), first);
    EXPECT_EQ(factory.message(), "");
    Calls calls = live.calls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "connect(localhost,5000,4)"), 1);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "initialize()"), 1);

    factory.close();
    factory.close();
    calls = live.calls();
    EXPECT_EQ(Calls(calls.end() - 2, calls.end()), Calls({"disconnect()", "destroy(1)"}));
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "disconnect()"), 1);

    // After close the next request connects afresh, loading the library again.
    live.clearCalls();
    ASSERT_NE(factory.sceneApi(), nullptr);
    EXPECT_EQ(live.calls().front(), "initialize()");
}

TEST_F(RepeatLinkFactoryTest, DestroyingAFactoryDisconnectsAndUnloadsButAnIdleOneTouchesNothing)
{
    oneProcess(5000);
    live.script.accept = {"localhost:5000"};
    live.write();
    {
        vel::RepeatLinkFactory idle;
        idle.close();
    }
    EXPECT_TRUE(live.calls().empty());
    {
        vel::RepeatLinkFactory connected;
        ASSERT_NE(connected.sceneApi(), nullptr);
    }
    const Calls calls = live.calls();
    EXPECT_EQ(Calls(calls.end() - 2, calls.end()), Calls({"disconnect()", "destroy(1)"}));
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
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "listInstances()"), 2);
}
