#pragma once
// Golden texts: a whole small scene in, the exact bytes out. Expected bytes
// live in golden files named by their path below tests/; a difference is reported as the
// first differing line of both, escaped so that blanks, line ends and binary
// bytes show. RD_UPDATE_GOLDEN=1 rewrites the files instead (review the diff).

#include <gtest/gtest.h>

#include <string>
#include <string_view>

// The bytes of a golden file, e.g. readGoldenFile("scene/golden/materials.rdk").
std::string readGoldenFile(const std::string& path);

::testing::AssertionResult matchesGoldenFile(const std::string& path, std::string_view actual);

// Bytes as a C string literal: "\n", "\x01", visible trailing blanks.
std::string escaped(std::string_view bytes);
