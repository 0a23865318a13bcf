#include "StandinSandbox.h"

#include <ControlClient.h>
#include <ProcessInfo.h>

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

std::string standinProgram()
{
    return RD_STANDIN_PROGRAM;
}

std::string standinLibrary()
{
    return RD_STANDIN_LIBRARY;
}

StandinSandbox::StandinSandbox(const rdtest::RegistrySandbox& registry, int version)
    : registry_(registry),
      version_(version),
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
    place(standinProgram(), (top / "bin").string());
    place(standinLibrary(), (top / "bin").string());
    install.binFolder = (top / "bin").string();
    install.binName = (top / "bin" / fs::path(standinProgram()).filename()).string();
    install.resourceFolder = (top / "resources").string();

    // A range of its own among the high ports, so that tests running side
    // by side seldom meet; a port taken by someone else is passed over.
    std::random_device random;
    lowestPort = 20000 + static_cast<int>(random() % 30000);
    highestPort = lowestPort + 9;
    registry.writeUser(registryText());
    announcements = standin::raydeck::announcementFolder();
}

StandinSandbox::~StandinSandbox()
{
    quitAll();
    // A stand-in launched moments ago may announce itself only now.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    quitAll();
}

std::string StandinSandbox::registryText() const
{
    return rdtest::regInstallation(platform::RegistryRoot::CurrentUser, version_, install)
           + rdtest::regDword("LiveLinkPort", static_cast<unsigned>(lowestPort))
           + rdtest::regDword("LiveLinkMaxPort", static_cast<unsigned>(highestPort));
}

std::vector<Announcement> StandinSandbox::running() const
{
    return standin::raydeck::runningAnnouncements(announcements);
}

std::vector<Announcement> StandinSandbox::waitForRunning(std::size_t count) const
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    std::vector<Announcement> now = running();
    while (now.size() != count && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        now = running();
    }
    return now;
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
    if (!answer || *answer != "ok\n")
        return {};
    return rdtest::readFile(path);
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
