// What arrives at a stand-in's port, under fuzzing. An input that starts
// with a zero byte is a control request: its line parses to a request that
// formats back to the same request, or is refused. Any other input is a
// series of transfers, each ending after an end mark, applied to one held
// scene in turn (a rest without an end mark as the last one); the scene is
// then described and written as the stand-in does.
#include <sceneapi/DiscardSink.h>
#include <sceneapi/velScene_api_file.h>
#include <standin/HeldScene.h>
#include <standin/Protocol.h>
#include <standin/SceneDescription.h>
#include <standin/TransferReading.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

namespace {

using namespace standin::raydeck;

void request(std::string_view line)
{
    line = line.substr(0, line.find('\n'));
    const auto parsed = parseRequest(line);
    if (!parsed)
        return;
    const std::string again = formatRequest(*parsed);
    if (again.front() != kRequestStart || again.back() != '\n'
        || parseRequest(std::string_view(again).substr(1, again.size() - 2)) != parsed)
        std::abort();
}

void transfers(std::string_view bytes)
{
    HeldScene scene;
    while (!bytes.empty()) {
        const std::size_t mark = bytes.find(kEndMark);
        const std::size_t end = mark == std::string_view::npos ? bytes.size() : mark + kEndMark.size();
        (void)applyTransfer(bytes.substr(0, end), scene);
        bytes.remove_prefix(end);
    }
    (void)describeScene(scene, 9, 4711);
    velScene_api_file writer(std::make_unique<vel::DiscardSink>(), true);
    scene.write(writer);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (!bytes.empty() && bytes.front() == kRequestStart)
        request(bytes.substr(1));
    else
        transfers(bytes);
    return 0;
}
