#pragma once
// Opening the destination of a scene file. Both functions return null with
// errno set on failure and leave nothing open then. The standard-output
// takeover is per system: dup/fdopen/dup2 in posix/, _dup/_fdopen/_dup2 and
// _setmode in win/.

#include <cstdio>
#include <memory>
#include <string>

#include "OutputFile.h"

namespace platform {

// Opens the file named in UTF-8 for a scene, binary, so that every "\n" stays
// a single line feed. A regular file, or a new one, is written beside its
// name and takes its place only when complete (OutputFile.h), so a failed
// export leaves the file that was there; anything else (a device, a FIFO)
// is opened in place with mode "wb+". On Windows the name goes to the
// wide-character calls in UTF-16, so that any name works.
std::unique_ptr<OutputFile> openSceneFile(const std::string& utf8Name);

// Takes standard output over for a scene: returns a new binary stream ("wb")
// on a duplicate of standard output's descriptor, and points standard
// output's descriptor at standard error, so that nothing else the process
// prints can mix with the scene. On Windows the new descriptor is switched to
// binary mode, so that no "\r" is added before a "\n".
std::FILE* takeOverStandardOutput();

} // namespace platform
