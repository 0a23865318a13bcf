#pragma once
// A scene file loaded, read and built into a scene model: what every rdk
// command starts from.

#include <string>
#include <string_view>

#include <sceneapi/FileBytes.h>
#include <sceneapi/SceneReader.h>
#include <sceneapi/model/SceneModel.h>

namespace rdk {

struct SceneFile {
    std::string path; // as given; "-" is shown as "standard input"
    vel::FileBytes bytes; // standard input's too
    vel::ReadResult read;
    vel::model::Scene scene;

    std::string_view text() const { return bytes.bytes(); }
    // The name that messages start with.
    std::string shownName() const { return path == "-" ? "standard input" : path; }
};

// Loads `path` ("-": standard input, read to its end) and reads it into
// `out`. False, with the reason in `error`, when the file cannot be loaded
// or is no regular file; a malformed file is read as far as it goes and its
// problems are in out.read. Without `buildModel` out.scene stays empty: the
// reading and its result are the same, without the time and memory of the
// model (a scene of many small blocks reads a dozen times faster).
bool loadSceneFile(const std::string& path, SceneFile& out, std::string& error, bool buildModel = true);

} // namespace rdk
