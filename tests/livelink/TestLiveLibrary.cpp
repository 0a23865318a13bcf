// A stand-in for the live library, built under the live library's file names
// for the loader tests. It counts what the loader does to it; the tests read
// the counts through rd_test_live_counters while holding their own reference
// to the library, so that the counts outlive the loader's unload.
#include <LiveLibrary.h>

#include <cstdint>

namespace {

struct Counters {
    int initialized = 0;
    int destroyed = 0;
    int lastDestroyFlags = 0;
};

Counters counters;

// Only compared by the tests, never called through: the loader hands the
// scene interface out untouched.
char sceneSentinel;

class TestQuery final : public vel::live::QueryApi {
public:
    const char* listInstances() override { return "<instances/>"; }
    bool attach(std::int64_t processId) override
    {
        attached_ = processId;
        return processId == 0x123456789;
    }
    void detach() override { attached_ = 0; }
    const char* describeScene() override { return attached_ == 0x123456789 ? "<scene/>" : nullptr; }

private:
    std::int64_t attached_ = 0;
};

class TestRoot final : public vel::live::RootObject {
public:
    void destroy(int flags) override
    {
        ++counters.destroyed;
        counters.lastDestroyFlags = flags;
        delete this;
    }
    velScene_api* sceneApi() override { return reinterpret_cast<velScene_api*>(&sceneSentinel); }
    vel::live::QueryApi* queryApi() override { return &query_; }

private:
    TestQuery query_;
};

} // namespace

extern "C" vel::live::RootObject* raydeck_live_initialize()
{
    ++counters.initialized;
    return new TestRoot;
}

extern "C" const Counters* rd_test_live_counters()
{
    return &counters;
}

extern "C" const void* rd_test_live_scene()
{
    return &sceneSentinel;
}
