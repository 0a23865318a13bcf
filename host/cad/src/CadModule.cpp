#include "CadModule.h"

#include <StandIn/DesignError.h>

#include <dlfcn.h>

#include <memory>
#include <string>

namespace standin::host::cad {

namespace {

// The module lies beside this library. It is opened by its full path: a
// bare name would be looked up through the run path of dlopen's caller,
// which a sanitizer's wrapper of dlopen turns into its own.
std::string modulePath()
{
    Dl_info self{};
    if (dladdr(reinterpret_cast<void*>(&loadCadFile), &self) == 0 || !self.dli_fname)
        return RD_CAD_MODULE;
    return (std::filesystem::path(self.dli_fname).parent_path() / RD_CAD_MODULE).string();
}

} // namespace

DesignData loadCadFile(const std::filesystem::path& file, DesignFormat format, const ImportOptions& options)
{
    // Once loaded the module stays: OpenCASCADE keeps state in its libraries
    // for the life of the process.
    const std::string path = modulePath();
    const std::unique_ptr<void, int (*)(void*)> module(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE),
                                                       dlclose);
    const auto failed = [&](const std::string& what) {
        const char* why = dlerror();
        return DesignError(file.string(), "",
                           "cannot read CAD files: " + what + (why ? std::string(" (") + why + ")" : std::string()));
    };
    if (!module)
        throw failed("the module " + path + " does not load");
    void* entry = dlsym(module.get(), "standinCadFileReader");
    if (!entry)
        throw failed(path + " has no entry");
    const CadFileReader read = reinterpret_cast<decltype(&standinCadFileReader)>(entry)();
    return read(file, format, options);
}

} // namespace standin::host::cad
