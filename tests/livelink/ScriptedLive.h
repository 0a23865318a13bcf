#pragma once
// Test side of the scripted live library (ScriptedLiveLibrary.cpp): writing
// its script, reading what it recorded, and fakes of the clock and the
// process launcher so that the live link never sleeps and never starts a
// program in a test.
//
//     rdtest::RegistrySandbox sandbox;
//     rdtest::ScriptedLive live(sandbox);        // installs RayDeck 9 with the library
//     live.script.instances = {rdtest::instanceList({{9, 4711, 5000}})};
//     live.script.processes[4711] = {true, rdtest::kEmptyScene};
//     live.script.accept = {"localhost:5000"};
//     live.write();
//     ... run the factory ...
//     EXPECT_EQ(live.calls(), ...);

#include "Sandbox.h"

#include <InstanceList.h>
#include <Services.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace rdtest {

// The folder that holds the scripted library as "velraydecklive6_64.so".
std::string scriptedLiveFolder();

struct ScriptedProcess {
    bool attach = true;
    std::optional<std::string> scene; // the scene description; none: null
};

struct LiveScript {
    bool sceneApi = true;
    bool queryApi = true;
    // Answers of successive listInstances calls; the last one repeats, none
    // at all answers null.
    std::vector<std::optional<std::string>> instances;
    std::map<std::int64_t, ScriptedProcess> processes;
    // "host:port" pairs on which connect answers true.
    std::vector<std::string> accept;
};

// An instance list with one element per record, in the usual layout.
std::string instanceList(const std::vector<vel::live::InstanceRecord>& records);

// Scene descriptions: a scene with nothing in it, and one holding a model
// set named `name` in the usual place (root, container, item: 2 levels down).
inline const std::string kEmptyScene = "<scene><contents/></scene>";
std::string sceneWithModelSet(const std::string& name);

// A clock that only counts, and a launcher that starts nothing, installed
// as the platform services for their lifetime.
class FakeSystem {
public:
    FakeSystem();

    std::vector<std::uint32_t> sleeps;  // every sleepMilliseconds, in order
    std::vector<std::string> launches;  // every path launched
    bool launchSucceeds = true;
    std::uint32_t processId = 4660;

private:
    class Clock final : public platform::Clock {
    public:
        explicit Clock(FakeSystem& owner) : owner_(owner) {}
        void sleepMilliseconds(std::uint32_t milliseconds) override { owner_.sleeps.push_back(milliseconds); }
        std::optional<std::string> localTimeOfDay() override { return "12:34:56"; }
        std::uint32_t tickMilliseconds() override { return 0; }

    private:
        FakeSystem& owner_;
    };
    class Processes final : public platform::Processes {
    public:
        explicit Processes(FakeSystem& owner) : owner_(owner) {}
        bool launch(const std::string& path) override
        {
            owner_.launches.push_back(path);
            return owner_.launchSucceeds;
        }
        std::uint32_t currentId() override { return owner_.processId; }

    private:
        FakeSystem& owner_;
    };
    platform::Services fakes();

    Clock clock_{*this};
    Processes processes_{*this};
    platform::ScopedServices scope_;
};

// Registers RayDeck 9 in the sandbox's current-user root with the scripted
// library's folder as bin folder, points RD_LIVE_SCRIPT at a script file in
// the sandbox, and unloads the live library when it goes.
class ScriptedLive {
public:
    explicit ScriptedLive(const RegistrySandbox& sandbox);
    ~ScriptedLive();
    ScriptedLive(const ScriptedLive&) = delete;
    ScriptedLive& operator=(const ScriptedLive&) = delete;

    // Writes the registry: RayDeck `version` plus `extra` .reg text (ports).
    void install(int version = 9, const std::string& extra = "") const;
    // Writes `script` for the next load of the library.
    void write() const;
    // Every call recorded so far, one per line.
    std::vector<std::string> calls() const;
    // Forgets the record.
    void clearCalls() const;

    LiveScript script;
    FakeInstall raydeck;

private:
    const RegistrySandbox& sandbox_;
    std::string scriptPath_;
    std::string recordPath_;
    ScopedEnv scriptVariable_;
};

} // namespace rdtest
