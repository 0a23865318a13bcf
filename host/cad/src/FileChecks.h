#pragma once
// The checks before any reader sees a file, so that a missing, unreadable or
// empty file is reported as such and not as some reader's syntax error.

#include <filesystem>
#include <string>

namespace standin::host::cad {

/// Throws DesignError(source, "", "cannot open file: ..." / "empty file").
void checkReadable(const std::filesystem::path& file, const std::string& source);

} // namespace standin::host::cad
