#pragma once
// Golden texts: a whole small scene in, the exact bytes out. The expected
// bytes live in tests/sceneapi/golden/; a difference is reported as the
// first differing line of both, escaped so that blanks, line ends and binary
// bytes show. RD_UPDATE_GOLDEN=1 rewrites the files instead (review the diff).

#include <gtest/gtest.h>

#include <string>
#include <string_view>

// The bytes of the golden file `name`.
std::string readGolden(const std::string& name);

::testing::AssertionResult matchesGolden(const std::string& name, std::string_view actual);

// Bytes as a C string literal: "\n", "\x01", visible trailing blanks.
std::string escaped(std::string_view bytes);
