#include "FileChecks.h"

#include <StandIn/DesignLoader.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

namespace standin::host::cad {

namespace fs = std::filesystem;

void checkReadable(const fs::path& file, const std::string& source)
{
    std::error_code error;
    const fs::file_status status = fs::status(file, error);
    if (!fs::exists(status))
        throw DesignError(source, "", "cannot open file: no such file");
    if (error)
        throw DesignError(source, "", "cannot open file: " + error.message());
    if (fs::is_directory(status))
        throw DesignError(source, "", "cannot open file: it is a folder");
    errno = 0;
    std::ifstream probe(file, std::ios::binary);
    if (!probe)
        throw DesignError(source, "", std::string("cannot open file: ") +
                                          (errno ? std::strerror(errno) : "cannot be read"));
    if (probe.peek() == std::ifstream::traits_type::eof())
        throw DesignError(source, "", "empty file");
}

} // namespace standin::host::cad
