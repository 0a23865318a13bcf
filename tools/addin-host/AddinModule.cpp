#include "AddinModule.h"

#include <StandIn/UiControl.h>

namespace addinhost {

AddinModule::AddinModule(const std::string& path) : path_(path)
{
    std::string whyNot;
    library_ = platform::DynamicLibrary::load(path, &whyNot);
    if (!library_)
        throw std::runtime_error("cannot load the add-in module: " + whyNot);
    run_ = reinterpret_cast<standin::host::AddinEntryPoint>(library_.symbol(standin::host::kRunEntryName));
    stop_ = reinterpret_cast<standin::host::AddinEntryPoint>(library_.symbol(standin::host::kStopEntryName));
    if (run_ == nullptr || stop_ == nullptr)
        throw std::runtime_error(path + ": not an add-in module (it exports no \"" +
                                 (run_ == nullptr ? standin::host::kRunEntryName : standin::host::kStopEntryName) +
                                 "\")");
}

AddinModule::~AddinModule()
{
    standin::host::unregisterHandlers();
    library_.reset();
}

} // namespace addinhost
