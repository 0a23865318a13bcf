// The substitute of RayDeck's live library: the root object that
// "raydeck_live_initialize" returns, with the scene interface that streams
// to a stand-in (LiveSceneApi.h) and the query interface over the running
// stand-ins (StandinQuery.h). Built as the file the loader looks for,
// velraydecklive6_64.so, exporting that one function.

#include "Announcement.h"
#include "EnvironmentSettings.h"
#include "LiveSceneApi.h"
#include "StandinQuery.h"

#include <livelink/LiveLibrary.h>

#include <new>

namespace {

using standin::raydeck::LiveSceneApi;
using standin::raydeck::StandinQuery;

// RAYDECK_LIVE_WAIT_SECONDS: how long a transfer waits for a stand-in
// that takes nothing or gives no verdict, instead of the usual 30 and 60 s.
standin::raydeck::LiveTimeouts timeouts()
{
    standin::raydeck::LiveTimeouts timeouts;
    if (const auto wait = standin::raydeck::secondsVariable("RAYDECK_LIVE_WAIT_SECONDS"))
        timeouts.send = timeouts.verdict = *wait;
    return timeouts;
}

class LiveRoot final : public vel::live::RootObject {
public:
    // `announcements`: where the stand-ins announce their ports and tokens.
    explicit LiveRoot(const std::string& announcements) : scene_(announcements, timeouts()), query_(announcements) {}

    // The one way the object goes: destroy(1), as the loader calls it.
    void destroy(int) override { delete this; }
    velScene_api* sceneApi() override { return &scene_; }
    vel::live::QueryApi* queryApi() override { return &query_; }

private:
    ~LiveRoot() = default;

    LiveSceneApi scene_;
    StandinQuery query_;
};

} // namespace

#if defined(_WIN32)
#define RAYDECK_LIVE_EXPORT __declspec(dllexport)
#else
#define RAYDECK_LIVE_EXPORT __attribute__((visibility("default")))
#endif

// Null when the root cannot be made; nothing may leave a C function.
extern "C" RAYDECK_LIVE_EXPORT vel::live::RootObject* raydeck_live_initialize()
{
    try {
        return new LiveRoot(standin::raydeck::announcementFolder());
    } catch (...) {
        return nullptr;
    }
}
