#include "RegistryRoot.h"

namespace vel::live {

constinit const std::string_view registryRoot = "SOFTWARE\\Veltor\\";

static_assert(std::string_view("SOFTWARE\\Veltor\\").size() == 16);

} // namespace vel::live
