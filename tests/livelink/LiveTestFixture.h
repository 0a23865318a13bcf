#pragma once
// A live factory against the scripted live library, in a registry sandbox
// with RayDeck 9 installed, a clock that does not sleep and a launcher that
// starts nothing.

#include "ScriptedLive.h"

#include <raydecklive_loader.h>

#include <RepeatLinkFactory.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

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
