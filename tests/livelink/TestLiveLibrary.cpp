// A minimal library under the live library's file names, for loading it
// from where the loader looks: a root object with a query interface that
// knows no processes and a scene interface that is never called.
#include <livelink/LiveLibrary.h>

#include <cstdint>

namespace {

char sceneSentinel; // never called through: the loader hands it out untouched

class TestQuery final : public vel::live::QueryApi {
public:
    const char* listInstances() override { return "<instances/>"; }
    bool attach(std::int64_t) override { return false; }
    void detach() override {}
    const char* describeScene() override { return nullptr; }
};

class TestRoot final : public vel::live::RootObject {
public:
    void destroy(int) override { delete this; }
    velScene_api* sceneApi() override { return reinterpret_cast<velScene_api*>(&sceneSentinel); }
    vel::live::QueryApi* queryApi() override { return &query_; }

private:
    TestQuery query_;
};

} // namespace

extern "C" vel::live::RootObject* raydeck_live_initialize()
{
    return new TestRoot;
}
