#include "raydecklive_loader.h"

#include <livelink/InstallationDiscovery.h>
#include <livelink/LiveLibrary.h>
#include <log/FILELog.h>
#include <platform/DynamicLibrary.h>
#include <platform/Files.h>

#include <memory>

namespace vel::live {

namespace {

// The installations whose resource folder holds the log.
constexpr int kLogMinVersion = 5;
constexpr int kLogMaxVersion = 20;

// Points the log at its folder; every get does this before it logs.
void setUpLog()
{
    Output2FILE::setFolderFinder(&logFolder);
}

// The process-wide loader record: absent when not loaded.
struct LoaderState {
    RootObject* root = nullptr;      // from raydeck_live_initialize; destroyed by unload
    platform::DynamicLibrary module; // released by unload, after the root
    LoadedLibrary loaded;
};

std::unique_ptr<LoaderState>& loaderState()
{
    static std::unique_ptr<LoaderState> state;
    return state;
}

bool load(LoaderState& state, int minVersion, int maxVersion)
{
    int majorVersion = 0;
    const std::string binFolder = readBinFolder(minVersion, maxVersion, majorVersion);
    if (binFolder.empty())
        return false;

    VEL_LOG(LogDebug4) << binFolder;

    for (const std::string& candidate : liveLibraryCandidates(binFolder, majorVersion)) {
        state.module = platform::DynamicLibrary::load(candidate);
        if (state.module) {
            state.loaded = {candidate, majorVersion};
            break;
        }
    }
    VEL_LOG(LogDebug4) << "initialize shared handle: " << state.module.nativeHandle();

    if (!state.module) {
        VEL_LOG(LogWarning) << "NO shared handle";
        return false;
    }
    if (void* entry = state.module.symbol(kInitializeSymbol)) {
        // The usual way from a symbol address to a function pointer; both are
        // the same size on every system we build for.
        const auto initialize = reinterpret_cast<InitializeFunction>(entry);
        state.root = initialize();
    }
    VEL_LOG(LogDebug4) << "Raydeck live: " << static_cast<const void*>(state.root);
    return state.root != nullptr;
}

// The root object, loading first when there is no state; null on failure.
RootObject* root(int minVersion, int maxVersion)
{
    std::unique_ptr<LoaderState>& state = loaderState();
    if (!state) {
        state = std::make_unique<LoaderState>();
        if (!load(*state, minVersion, maxVersion)) {
            unloadLiveLibrary();
            return nullptr;
        }
    }
    return state->root;
}

} // namespace

std::string logFolder()
{
    return readResourceFolder(kLogMinVersion, kLogMaxVersion);
}

std::string liveLibraryBaseName(int majorVersion)
{
    return majorVersion >= 6 ? "velraydecklive6_" : "velraydecklive";
}

std::vector<std::string> liveLibraryCandidates(const std::string& binFolder, int majorVersion)
{
    const std::string base = liveLibraryBaseName(majorVersion);
    const std::string inBinFolder = platform::joinPath(binFolder, base);
    const std::string inCurrentFolder = platform::joinPath(".", base);
    return {inBinFolder + "32.so", inBinFolder + "64.so", inCurrentFolder + "32.so", inCurrentFolder + "64.so"};
}

std::optional<LoadedLibrary> loadedLiveLibrary()
{
    const std::unique_ptr<LoaderState>& state = loaderState();
    if (!state || state->root == nullptr)
        return std::nullopt;
    return state->loaded;
}

QueryApi* getQueryApi(int minVersion, int maxVersion)
{
    setUpLog();
    VEL_LOG(LogDebug4) << "vel_get_query_api -> raydeck_live_loader: "
                       << static_cast<const void*>(loaderState().get());
    RootObject* object = root(minVersion, maxVersion);
    return object != nullptr ? object->queryApi() : nullptr;
}

velScene_api* getSceneApi(int minVersion, int maxVersion)
{
    setUpLog();
    RootObject* object = root(minVersion, maxVersion);
    return object != nullptr ? object->sceneApi() : nullptr;
}

void unloadLiveLibrary()
{
    std::unique_ptr<LoaderState> state = std::move(loaderState());
    if (!state)
        return;
    if (state->root != nullptr)
        state->root->destroy(kDestroyAndFree);
    state->root = nullptr;
    state->module.reset();
}

} // namespace vel::live
