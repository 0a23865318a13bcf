// A scripted stand-in for the live library, built as "velraydecklive6_64.so".
// raydeck_live_initialize reads the JSON script (LiveScript) that
// ScriptedLive.h writes to the file named by RD_LIVE_SCRIPT.
//
// Every call is appended to the script's record file, one line each, as
// tests/sceneapi/RecordingScene.h writes it, plus "initialize()",
// "destroy(1)" and the query interface's calls ("attach(4711)", ...). Lines
// are written out at once for these and at id, connect and disconnect, so
// the record is complete whenever the add-in has closed its factory or
// failed to connect.
#include <livelink/LiveLibrary.h>
#include <tests/sceneapi/RecordingScene.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

using nlohmann::json;

// A text of the script, or null for a JSON null; it lives as long as the script.
const char* text(const json& value)
{
    return value.is_string() ? value.get_ref<const std::string&>().c_str() : nullptr;
}

class ScriptedScene final : public RecordingScene {
public:
    explicit ScriptedScene(const json& script) : script_(script) {}

    bool connect(const char* host, int port, int count) override
    {
        const std::string name = host != nullptr ? host : "null";
        record("connect(" + name + "," + std::to_string(port) + "," + std::to_string(count) + ")");
        const json& accept = script_.at("accept");
        return std::find(accept.begin(), accept.end(), name + ":" + std::to_string(port)) != accept.end();
    }
    bool disconnect() override
    {
        record("disconnect()");
        disconnected = true;
        return script_.at("confirm").get<bool>();
    }
    void id(std::uint32_t n) override { record("id(" + std::to_string(n) + ")"); }

    // Records the call and appends the calls not yet written to the record.
    void record(const std::string& line)
    {
        calls.push_back(line);
        std::ofstream out(script_.at("record").get<std::string>(), std::ios::app);
        for (; written_ < calls.size(); ++written_)
            out << calls[written_] << '\n';
    }

    bool disconnected = false;

private:
    const json& script_;
    std::size_t written_ = 0;
};

class ScriptedQuery final : public vel::live::QueryApi {
public:
    ScriptedQuery(const json& script, ScriptedScene& scene) : script_(script), scene_(scene) {}

    const char* listInstances() override
    {
        scene_.record("listInstances()");
        const json& answers = script_.at("instances");
        return answers.empty() ? nullptr : text(answers.at(std::min(listings_++, answers.size() - 1)));
    }
    bool attach(std::int64_t processId) override
    {
        scene_.record("attach(" + std::to_string(processId) + ")");
        const json& processes = script_.at("processes");
        const auto found = processes.find(std::to_string(processId));
        const char* answer = scene_.disconnected ? "attachAfterTransfer" : "attach";
        attached_ = found != processes.end() && found->at(answer).get<bool>() ? &*found : nullptr;
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
        return attached_ != nullptr ? text(attached_->at("scene")) : nullptr;
    }

private:
    const json& script_;
    ScriptedScene& scene_;
    const json* attached_ = nullptr;
    std::size_t listings_ = 0;
};

class ScriptedRoot final : public vel::live::RootObject {
public:
    explicit ScriptedRoot(json script) : script_(std::move(script)) { scene_.record("initialize()"); }
    void destroy(int flags) override
    {
        scene_.record("destroy(" + std::to_string(flags) + ")");
        delete this;
    }
    velScene_api* sceneApi() override { return &scene_; }
    vel::live::QueryApi* queryApi() override { return script_.at("queryApi").get<bool>() ? &query_ : nullptr; }

private:
    const json script_;
    ScriptedScene scene_{script_};
    ScriptedQuery query_{script_, scene_};
};

} // namespace

extern "C" vel::live::RootObject* raydeck_live_initialize()
{
    const char* path = std::getenv("RD_LIVE_SCRIPT");
    try {
        std::ifstream in(path != nullptr ? path : "");
        return new ScriptedRoot(json::parse(in));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "scripted live library: %s: %s\n", path != nullptr ? path : "RD_LIVE_SCRIPT unset",
                     e.what());
        return nullptr;
    }
}
