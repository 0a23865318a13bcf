#include "StandinSandbox.h"

#include <platform/ProcessInfo.h>
#include <standin/ControlClient.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <random>
#include <thread>

namespace standintest {

namespace {

namespace fs = std::filesystem;
using standin::raydeck::Announcement;

// Links where the system allows, copies elsewhere.
void place(const std::string& file, const std::string& into)
{
    const fs::path target = fs::path(into) / fs::path(file).filename();
    std::error_code error;
    fs::create_symlink(file, target, error);
    if (error)
        fs::copy_file(file, target, fs::copy_options::overwrite_existing);
}

} // namespace

StandinSandbox::StandinSandbox(const rdtest::RegistrySandbox& registry, int version)
    : registry_(registry),
      runtimeVariable_("XDG_RUNTIME_DIR", runtime_.path().string()),
      idleVariable_("RAYDECK_STANDIN_IDLE_SECONDS", "120")
{
#ifdef _WIN32
    tmpVariable_.emplace("TMP", runtime_.path().string());
    tempVariable_.emplace("TEMP", runtime_.path().string());
#endif
    const std::string name = "raydeck" + std::to_string(version);
    const fs::path top = registry.dir.path() / name;
    fs::create_directories(top / "bin");
    fs::create_directories(top / "resources");
    place(RD_STANDIN_PROGRAM, (top / "bin").string());
    place(RD_STANDIN_LIBRARY, (top / "bin").string());
    install.binFolder = (top / "bin").string();
    install.binName = (top / "bin" / fs::path(RD_STANDIN_PROGRAM).filename()).string();
    install.resourceFolder = (top / "resources").string();

    // A range of its own among the high ports, so that tests running side
    // by side seldom meet; a port taken by someone else is passed over.
    std::random_device random;
    const unsigned lowestPort = 20000 + random() % 30000;
    registry.writeUser(rdtest::regInstallation(platform::RegistryRoot::CurrentUser, version, install)
                       + rdtest::regDword("LiveLinkPort", lowestPort)
                       + rdtest::regDword("LiveLinkMaxPort", lowestPort + 9));
    announcements = standin::raydeck::announcementFolder();
}

StandinSandbox::~StandinSandbox()
{
    quitAll();
    // A stand-in launched moments ago may announce itself only now.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    quitAll();
}

std::vector<Announcement> StandinSandbox::running() const
{
    return standin::raydeck::runningAnnouncements(announcements);
}

std::vector<std::string> StandinSandbox::transfers() const
{
    std::vector<std::string> files;
    std::error_code error;
    for (const fs::directory_entry& entry :
         fs::directory_iterator(fs::path(install.resourceFolder) / "transfers", error))
        files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

std::string StandinSandbox::dump(const Announcement& standin) const
{
    const std::string path = (registry_.dir.path() / "dump.rdk").string();
    std::error_code error;
    fs::remove(path, error);
    const std::optional<std::string> answer =
        standin::raydeck::askStandin(standin, "dump", path, std::chrono::seconds(20));
    return answer == "ok\n" ? rdtest::readFile(path) : std::string();
}

bool StandinSandbox::quitAll() const
{
    bool allQuit = true;
    for (const Announcement& standin : running()) {
        if (!standin::raydeck::quitStandin(standin, std::chrono::seconds(10))) {
            allQuit = false;
            platform::killProcess(standin.processId);
            standin::raydeck::removeAnnouncement(announcements, standin.processId);
        }
    }
    return allQuit;
}

} // namespace standintest
