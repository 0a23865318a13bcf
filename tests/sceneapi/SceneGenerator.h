#pragma once
// Random, valid call sequences on a scene interface, for round trips through
// the writer and the reader: nested blocks of every kind, names that need the
// hex form, values of every type code, lists in text and binary form, lists
// built value by value, nested captured shader texts placed where values go,
// named shaders begun while a text is captured, refused top blocks. It
// throws std::logic_error when a writer refuses or opens a top block against
// its rules, or changes a captured text after its end.

#include <cstdint>

#include <sceneapi/velScene_api.h>

// `statements` random statements from `seed`; the file writer's own
// modifyCamera is used when `target` is one.
void generateScene(std::uint32_t seed, velScene_api& target, int statements);
