#pragma once
// A preview picture of a scene: every placed object's triangles, with the
// transforms of the groups above it, in the diffuse colour of its material,
// lit by one directional light from behind the viewer, hidden surfaces
// removed with a depth buffer. Seen through the scene's camera, or through a
// view that fits the whole scene.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <sceneapi/model/SceneModel.h>

namespace rdk {

struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb; // row by row from the top, three bytes a pixel

    std::array<std::uint8_t, 3> at(int x, int y) const;
};

// Fitted views look at the whole scene orthographically, with the up axis
// pointing up. With Y up: front from +Z, back from -Z, right from +X, left
// from -X, top from +Y, bottom from -Y, iso from +X+Y+Z; with Z up, as CAD
// programs that model Z up show them: front from -Y, back from +Y, top from
// +Z, iso from +X-Y+Z; with X up, the Y-up views turned so that +Y goes to
// +X. The camera view is the scene's camera (its "position", "direction" or
// "look_at", "up", and "fov" in degrees across the picture's height, or
// "orthographic" with its "window").
enum class View { Camera, Front, Back, Left, Right, Top, Bottom, Iso };

// "camera", "front" ... ; nullopt for other words.
std::optional<View> viewNamed(const std::string& name);
const char* viewName(View view);

enum class Axis { X, Y, Z };

// "x", "y", "z"; nullopt for other words.
std::optional<Axis> axisNamed(const std::string& name);
const char* axisName(Axis axis);

// The axis that a scene says is up: its import options' "import_up_vector"
// (1 Y, 2 Z), else the axis nearest to its camera's up direction, else Y.
// A design modelled Z up, written without saying so, would show lying on
// its side.
Axis upAxisOf(const vel::model::Scene& scene);

struct RenderOptions {
    int width = 800;
    int height = 600;
    std::optional<View> view; // default: the camera when the scene has one, else iso
    std::optional<Axis> up;   // default: upAxisOf the scene; in the camera view, the camera's own up
};

struct RenderReport {
    View view = View::Iso;
    Axis up = Axis::Y;         // the scene's up axis (the camera view: the one nearest to the camera's up)
    std::size_t objects = 0;   // placed objects
    std::size_t triangles = 0; // their triangles
    std::size_t visible = 0;   // triangles that show in the picture
};

// The background of a picture, where no triangle is.
constexpr std::array<std::uint8_t, 3> kBackground{32, 32, 40};

Image renderScene(const vel::model::Scene& scene, const RenderOptions& options, RenderReport* report = nullptr);

// "WxH" with both from 1 to 16384; nullopt otherwise.
std::optional<std::pair<int, int>> parseSize(const std::string& text);

} // namespace rdk
