#include <StandIn/DesignError.h>

#include <utility>

namespace standin::host {

namespace {

std::string joinMessage(const std::string& source, const std::string& location, const std::string& problem)
{
    std::string text;
    if (!source.empty())
        text += source + ": ";
    if (!location.empty())
        text += location + ": ";
    return text + problem;
}

} // namespace

DesignError::DesignError(std::string source, std::string location, std::string problem)
    : std::runtime_error(joinMessage(source, location, problem)), source_(std::move(source)),
      location_(std::move(location)), problem_(std::move(problem))
{
}

} // namespace standin::host
