#pragma once
// Random, valid call sequences on a scene interface, for round trips through
// the writer and the reader: nested blocks of every kind, names that need the
// hex form, values of every type code, lists in text and binary form (the
// mode flags switch at random), lists built value by value, anonymous shaders
// nested with pushCapture/popCapture and placed where values go, named and
// numbered shaders begun while a text is captured, refused top blocks.
//
// "Valid" is the callers' contract of the interface: blocks nest, captured
// texts are used after their end, top blocks open only where they may (a
// refused attempt is made and left, as a producer that tests the result
// does), statement names are plain words that may hold blanks. A writer that
// refuses or opens a top block against its rules, or changes a captured text
// after its end, makes it throw std::logic_error.

#include <cstdint>

#include "velScene_api.h"

// `statements` random statements from `seed`; the file writer's own
// modifyCamera is used when `target` is one.
void generateScene(std::uint32_t seed, velScene_api& target, int statements);
