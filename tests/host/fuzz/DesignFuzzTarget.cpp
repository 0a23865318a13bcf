// The design loader under fuzzing, through its public API: a document is
// either rejected with a DesignError or loads, and a loaded one opens as the
// host's active document and closes again.
#include <StandIn/DesignLoader.h>
#include <StandIn/HostControl.h>

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    namespace sh = standin::host;
    sh::DesignData design;
    try {
        design = sh::parseDesign(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz");
    } catch (const sh::DesignError&) {
        return 0;
    }
    sh::openDesign(std::move(design));
    sh::closeDocument();
    return 0;
}
