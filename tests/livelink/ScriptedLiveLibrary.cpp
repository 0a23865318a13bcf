// A scripted stand-in for the live library, built as "velraydecklive6_64.so"
// for the tests of the live factory and the render command.
//
// raydeck_live_initialize reads the script named by the environment variable
// RD_LIVE_SCRIPT (JSON, written by ScriptedLive.h):
//
//   {
//     "record":    "/path/of/the/record",      every call is appended there
//     "sceneApi":  true,                       false: the root has none
//     "queryApi":  true,                       false: the root has none
//     "instances": ["<instances>...", null],   successive answers of
//                                              listInstances; the last repeats;
//                                              null answers a null pointer
//     "processes": {"4711": {"attach": true, "scene": "<scene>..." or null}},
//     "accept":    ["localhost:5000"]          where connect answers true
//   }
//
// The record holds one line per call, in call order: "initialize()" and
// "destroy(1)" of the root object; "listInstances()", "attach(4711)",
// "describeScene()" and "detach()" of the query interface; every operation
// of the scene interface as tests/sceneapi/RecordingScene.h writes it
// ("id(1)", "connect(localhost,5000,4)", "beginGroup(Gearbox,true)", ...).
// Lines are written out at every call of the query interface, at id,
// connect and disconnect, and when the root is destroyed, so the record is
// complete whenever the add-in has closed its factory or failed to connect.
#include <LiveLibrary.h>
#include <RecordingScene.h>

#include <nlohmann/json.hpp>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

struct Process {
    bool attach = true;
    std::optional<std::string> scene;
};

struct Script {
    std::string record;
    bool sceneApi = true;
    bool queryApi = true;
    std::vector<std::optional<std::string>> instances;
    std::map<std::int64_t, Process> processes;
    std::vector<std::string> accept;
};

std::optional<std::string> optionalText(const nlohmann::json& value)
{
    if (value.is_null())
        return std::nullopt;
    return value.get<std::string>();
}

std::optional<Script> readScript()
{
    const char* path = std::getenv("RD_LIVE_SCRIPT");
    if (path == nullptr) {
        std::fprintf(stderr, "scripted live library: RD_LIVE_SCRIPT is not set\n");
        return std::nullopt;
    }
    try {
        std::ifstream in(path);
        const nlohmann::json json = nlohmann::json::parse(in);
        Script script;
        script.record = json.at("record").get<std::string>();
        script.sceneApi = json.value("sceneApi", true);
        script.queryApi = json.value("queryApi", true);
        if (json.contains("instances")) {
            for (const nlohmann::json& answer : json.at("instances"))
                script.instances.push_back(optionalText(answer));
        }
        if (json.contains("processes")) {
            for (const auto& [id, process] : json.at("processes").items())
                script.processes[std::stoll(id)] = {process.value("attach", true),
                                                    process.contains("scene") ? optionalText(process.at("scene"))
                                                                              : std::nullopt};
        }
        if (json.contains("accept"))
            script.accept = json.at("accept").get<std::vector<std::string>>();
        return script;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "scripted live library: %s: %s\n", path, e.what());
        return std::nullopt;
    }
}

class ScriptedScene final : public RecordingScene {
public:
    explicit ScriptedScene(const Script& script) : script_(script) {}

    bool connect(const char* host, int port, int count) override
    {
        const std::string endpoint = std::string(host != nullptr ? host : "null") + ":" + std::to_string(port);
        record("connect(" + std::string(host != nullptr ? host : "null") + "," + std::to_string(port) + ","
               + std::to_string(count) + ")");
        for (const std::string& accepted : script_.accept) {
            if (accepted == endpoint)
                return true;
        }
        return false;
    }
    bool disconnect() override { return record("disconnect()"), true; }
    void id(std::uint32_t n) override { record("id(" + std::to_string(n) + ")"); }

    // Records the call and appends the calls not yet written to the record.
    void record(const std::string& line)
    {
        calls.push_back(line);
        std::ofstream out(script_.record, std::ios::app);
        for (; written_ < calls.size(); ++written_)
            out << calls[written_] << '\n';
    }

private:
    const Script& script_;
    std::size_t written_ = 0;
};

class ScriptedQuery final : public vel::live::QueryApi {
public:
    ScriptedQuery(const Script& script, ScriptedScene& scene) : script_(script), scene_(scene) {}

    const char* listInstances() override
    {
        scene_.record("listInstances()");
        if (script_.instances.empty())
            return nullptr;
        const std::optional<std::string>& answer =
            script_.instances[std::min(listings_++, script_.instances.size() - 1)];
        return answer ? answer->c_str() : nullptr;
    }
    bool attach(std::int64_t processId) override
    {
        scene_.record("attach(" + std::to_string(processId) + ")");
        const auto process = script_.processes.find(processId);
        attached_ = process != script_.processes.end() && process->second.attach ? &process->second : nullptr;
        return attached_ != nullptr;
    }
    void detach() override
    {
        scene_.record("detach()");
        attached_ = nullptr;
    }
    const char* describeScene() override
    {
        scene_.record("describeScene()");
        return attached_ != nullptr && attached_->scene ? attached_->scene->c_str() : nullptr;
    }

private:
    const Script& script_;
    ScriptedScene& scene_;
    const Process* attached_ = nullptr;
    std::size_t listings_ = 0;
};

class ScriptedRoot final : public vel::live::RootObject {
public:
    explicit ScriptedRoot(Script script) : script_(std::move(script))
    {
        scene_.record("initialize()");
    }
    void destroy(int flags) override
    {
        scene_.record("destroy(" + std::to_string(flags) + ")");
        delete this;
    }
    velScene_api* sceneApi() override { return script_.sceneApi ? &scene_ : nullptr; }
    vel::live::QueryApi* queryApi() override { return script_.queryApi ? &query_ : nullptr; }

private:
    Script script_;
    ScriptedScene scene_{script_};
    ScriptedQuery query_{script_, scene_};
};

} // namespace

extern "C" vel::live::RootObject* raydeck_live_initialize()
{
    std::optional<Script> script = readScript();
    return script ? new ScriptedRoot(std::move(*script)) : nullptr;
}
