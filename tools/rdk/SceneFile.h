#pragma once
// A scene file loaded, read and built into a scene model: what every rdk
// command starts from.

#include <string>

#include <sceneapi/FileBytes.h>
#include <sceneapi/SceneReader.h>
#include <sceneapi/model/SceneModel.h>

namespace rdk {

struct SceneFile {
    std::string path;
    vel::FileBytes bytes;
    vel::ReadResult read;
    vel::model::Scene scene;
};

// Loads `path` and reads it into `out`. False, with the system's reason in
// `error`, when the file cannot be loaded; a malformed file is read as far
// as it goes and its problems are in out.read.
bool loadSceneFile(const std::string& path, SceneFile& out, std::string& error);

} // namespace rdk
