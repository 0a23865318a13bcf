#pragma once
// The rdk commands, each writing what it reports to `out` and its failures
// to `err`, and returning the exit status: 0 done (for check: the file is
// well formed), 1 the file is malformed or cannot be read or written.

#include <cstddef>
#include <iosfwd>
#include <optional>
#include <string>

#include "Render.h"

namespace rdk {

int check(const std::string& path, std::ostream& out, std::ostream& err);

// Counts, and the tree of groups and objects to `depth` levels (0: none).
int stats(const std::string& path, int depth, std::ostream& out, std::ostream& err);

int render(const std::string& path, const std::string& picture, const RenderOptions& options, std::ostream& out,
           std::ostream& err);

} // namespace rdk
