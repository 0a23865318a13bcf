#pragma once
// A RayDeck installation in a registry sandbox whose bin folder holds the
// built raydeck-standin and the substitute live library, with a live-link
// port range and an announcement folder of its own (XDG_RUNTIME_DIR), so
// that a test sees only the stand-ins it started.
//
// Whatever happens in the test, every stand-in that announced itself in the
// sandbox is asked to quit when the sandbox goes, and killed if it does not;
// an idle time of two minutes ends any that slipped through.

#include <standin/Announcement.h>
#include <tests/support/Sandbox.h>

#include <optional>
#include <string>
#include <vector>

namespace standintest {

class StandinSandbox {
public:
    // Installs RayDeck `version` in the user's root of `registry`.
    explicit StandinSandbox(const rdtest::RegistrySandbox& registry, int version = 9);
    ~StandinSandbox();
    StandinSandbox(const StandinSandbox&) = delete;
    StandinSandbox& operator=(const StandinSandbox&) = delete;

    std::vector<standin::raydeck::Announcement> running() const; // in the order they started
    std::vector<std::string> transfers() const; // the recorded transfers' files, in their order
    // The stand-in's scene as a scene file, through a dump request; empty
    // when it does not answer.
    std::string dump(const standin::raydeck::Announcement& standin) const;
    // Asks every running stand-in to quit and makes sure each has ended;
    // true when all quit when asked.
    bool quitAll() const;

    rdtest::FakeInstall install;
    std::string announcements; // the folder

private:
    const rdtest::RegistrySandbox& registry_;
    rdtest::TempDir runtime_;
    rdtest::ScopedEnv runtimeVariable_;
    // Windows keeps the announcements in the folder for temporary files.
    std::optional<rdtest::ScopedEnv> tmpVariable_;
    std::optional<rdtest::ScopedEnv> tempVariable_;
    rdtest::ScopedEnv idleVariable_;
};

} // namespace standintest
