#include "ScriptedLive.h"

#include <log/LogTesting.h>
#include <sceneapi/dev/raydecklive_loader.h>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <sstream>

namespace rdtest {

std::string scriptedLiveFolder()
{
    return RD_SCRIPTED_LIVE_DIR;
}

std::string instanceList(const std::vector<vel::live::InstanceRecord>& records)
{
    std::ostringstream xml;
    xml << "<instances>";
    for (const vel::live::InstanceRecord& record : records)
        xml << "<instance><version_major>" << record.majorVersion << "</version_major><process_id>"
            << record.processId << "</process_id><livelink_port>" << record.liveLinkPort
            << "</livelink_port></instance>";
    xml << "</instances>";
    return xml.str();
}

std::string sceneWithModelSet(const std::string& name)
{
    return "<scene><contents><item name=\"" + name + "\"><mesh/></item></contents></scene>";
}

ScriptedLive::ScriptedLive(const RegistrySandbox& sandbox)
    : raydeck(sandbox.makeInstallation("raydeck")),
      sandbox_(sandbox),
      scriptPath_(sandbox.dir / "live-script.json"),
      recordPath_(sandbox.dir / "live-calls.txt"),
      scriptVariable_("RD_LIVE_SCRIPT", scriptPath_)
{
    // The loader's log goes to this installation's resource folder; start it
    // as a fresh process would.
    vel::resetLogForTesting();
    raydeck.binFolder = scriptedLiveFolder();
    install();
    write();
}

ScriptedLive::~ScriptedLive()
{
    vel::live::unloadLiveLibrary();
    vel::resetLogForTesting();
}

void ScriptedLive::install(int version, const std::string& extra) const
{
    sandbox_.writeUser(regInstallation(platform::RegistryRoot::CurrentUser, version, raydeck) + extra);
}

void ScriptedLive::write() const
{
    nlohmann::json json = {{"record", recordPath_}, {"queryApi", script.queryApi},
                           {"instances", nlohmann::json::array()}, {"processes", nlohmann::json::object()},
                           {"accept", script.accept}, {"confirm", script.confirm}};
    const auto text = [](const std::optional<std::string>& t) { return t ? nlohmann::json(*t) : nlohmann::json(); };
    for (const std::optional<std::string>& answer : script.instances)
        json["instances"].push_back(text(answer));
    for (const auto& [id, process] : script.processes)
        json["processes"][std::to_string(id)] = {{"attach", process.attach},
                                                 {"attachAfterTransfer", process.attachAfterTransfer},
                                                 {"scene", text(process.scene)}};
    writeFile(scriptPath_, json.dump(2));
}

std::vector<std::string> ScriptedLive::calls() const
{
    std::vector<std::string> lines;
    std::istringstream in(readTextFile(recordPath_));
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

void ScriptedLive::clearCalls() const
{
    std::filesystem::remove(recordPath_);
}

} // namespace rdtest
