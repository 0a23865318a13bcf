#include "CadModule.h"

#include <StandIn/DesignError.h>

#include <dlfcn.h>

#include <memory>
#include <string>

namespace standin::host::cad {

DesignData loadCadFile(const std::filesystem::path& file, DesignFormat format, const ImportOptions& options)
{
    // The module lies beside this library, whose run path names its own
    // folder. It stays loaded once loaded: OpenCASCADE keeps state in its
    // libraries for the life of the process.
    const std::unique_ptr<void, int (*)(void*)> module(dlopen(RD_CAD_MODULE, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE),
                                                       dlclose);
    const auto failed = [&](const std::string& what) {
        const char* why = dlerror();
        return DesignError(file.string(), "",
                           "cannot read CAD files: " + what + (why ? std::string(" (") + why + ")" : std::string()));
    };
    if (!module)
        throw failed("the module " RD_CAD_MODULE " does not load");
    void* entry = dlsym(module.get(), "standinCadFileReader");
    if (!entry)
        throw failed(RD_CAD_MODULE " has no entry");
    const CadFileReader read = reinterpret_cast<decltype(&standinCadFileReader)>(entry)();
    return read(file, format, options);
}

} // namespace standin::host::cad
