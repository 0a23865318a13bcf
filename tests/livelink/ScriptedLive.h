#pragma once
// Test side of the scripted live library (ScriptedLiveLibrary.cpp): writing
// its script, reading what it recorded, and fakes of the clock and the
// process launcher so that the live link never sleeps and never starts a
// program in a test.

#include <tests/support/Sandbox.h>

#include <livelink/InstanceList.h>
#include <platform/Services.h>

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
    bool attachAfterTransfer = true;  // false: once disconnected, it hangs
};

struct LiveScript {
    bool queryApi = true; // false: the root object has none
    // Answers of successive listInstances calls; the last one repeats, none
    // at all answers null.
    std::vector<std::optional<std::string>> instances;
    std::map<std::int64_t, ScriptedProcess> processes;
    std::vector<std::string> accept; // "host:port" pairs on which connect answers true
    bool confirm = true;             // what disconnect answers: RayDeck confirmed the transfer
};

// An instance list with one element per record, in the usual layout.
std::string instanceList(const std::vector<vel::live::InstanceRecord>& records);

// Scene descriptions: a scene with nothing in it, and one holding a model
// set named `name` in the usual place.
inline const std::string kEmptyScene = "<scene><contents/></scene>";
std::string sceneWithModelSet(const std::string& name);

// A clock that only counts and a launcher that starts nothing, installed as
// the platform services for their lifetime.
class FakeSystem final : public platform::Clock, public platform::Processes {
public:
    FakeSystem() : scope_(platform::Services{platform::services().registry, this, this}) {}

    std::vector<std::uint32_t> sleeps;  // every sleepMilliseconds, in order
    std::vector<std::string> launches;  // every path launched
    bool launchSucceeds = true;
    std::uint32_t processId = 4660;

    void sleepMilliseconds(std::uint32_t milliseconds) override { sleeps.push_back(milliseconds); }
    std::optional<std::string> localTimeOfDay() override { return "12:34:56"; }
    std::uint32_t tickMilliseconds() override { return 0; }
    bool launch(const std::string& path) override { return launches.push_back(path), launchSucceeds; }
    std::uint32_t currentId() override { return processId; }

private:
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
    void write() const;                     // `script`, for the next load of the library
    std::vector<std::string> calls() const; // every call recorded so far, one per line
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
