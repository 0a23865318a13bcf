#include "Render.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace rdk {

using vel::model::Matrix;
using vel::model::Node;
using vel::model::NodeKind;
using vel::model::Scene;

namespace {

struct Vec {
    double x = 0, y = 0, z = 0;
};

Vec operator+(Vec a, Vec b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec operator*(Vec a, double s) { return {a.x * s, a.y * s, a.z * s}; }
double dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec cross(Vec a, Vec b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double length(Vec a) { return std::sqrt(dot(a, a)); }
Vec normalized(Vec a)
{
    const double l = length(a);
    return l > 0 ? a * (1 / l) : a;
}
bool finite(Vec a) { return std::isfinite(a.x) && std::isfinite(a.y) && std::isfinite(a.z); }

struct Triangle {
    Vec p[3];
    std::array<float, 3> colour;
};

constexpr std::array<float, 3> kDefaultColour{0.7f, 0.7f, 0.7f};

Vec applied(const Matrix& m, Vec p)
{
    const auto q = vel::model::applyPoint(m, {p.x, p.y, p.z});
    return {q[0], q[1], q[2]};
}

Vec direction(const Matrix& m, Vec d)
{
    return applied(m, d) - applied(m, {});
}

// The triangles of every placed object below `node`, in world coordinates.
void collect(const Scene& scene, const Node& node, const Matrix& parent, std::vector<Triangle>& out,
             std::size_t& objects)
{
    for (const Node* child : node.children()) {
        if (!child->placed)
            continue; // definitions are drawn where instances place them
        if (child->kind == NodeKind::Group) {
            collect(scene, *child, vel::model::multiply(parent, child->transform()), out, objects);
            continue;
        }
        if (child->kind != NodeKind::Object)
            continue;
        ++objects;
        const Matrix world = vel::model::multiply(parent, child->transform());
        std::array<float, 3> colour = kDefaultColour;
        if (const Node* material = scene.materialOf(*child)) {
            // The diffuse colour; a shader without one may have a plain "color".
            std::optional<std::array<float, 3>> c = scene.diffuseOf(*material);
            if (const Node* shader = c ? nullptr : scene.surfaceShaderOf(*material))
                if (const vel::model::Value* plain = shader->parameter("color"))
                    c = plain->triple();
            if (c)
                for (std::size_t k = 0; k < 3; ++k)
                    colour[k] = std::isfinite((*c)[k]) ? std::clamp((*c)[k], 0.0f, 1.0f) : 0.0f;
        }
        if (const Node* geometry = scene.geometryOf(*child)) {
            const vel::model::Value* vertices = geometry->parameter("vertices");
            const vel::model::Value* indices = geometry->parameter("triangles");
            if (vertices && indices) {
                const std::vector<double> v = vertices->numbers();
                const std::vector<double> t = indices->numbers();
                const double count = static_cast<double>(v.size() / 3);
                for (std::size_t i = 0; i + 2 < t.size(); i += 3) {
                    Triangle tri;
                    tri.colour = colour;
                    bool valid = true;
                    for (std::size_t k = 0; k < 3; ++k) {
                        const double index = t[i + k];
                        if (!(index >= 0 && index < count)) {
                            valid = false;
                            break;
                        }
                        const auto at = static_cast<std::size_t>(index) * 3;
                        tri.p[k] = applied(world, {v[at], v[at + 1], v[at + 2]});
                        valid = valid && finite(tri.p[k]);
                    }
                    if (valid)
                        out.push_back(tri);
                }
            }
        }
        collect(scene, *child, world, out, objects); // objects inside objects
    }
}

struct Eye {
    Vec position;
    Vec forward, right, up;
    bool perspective = false;
    double scale = 1;  // pixels per unit at distance 1 (perspective) or per unit (orthographic)
    double near = 0;   // perspective: nothing closer is drawn
};

// Where the axes of the Y-up frame go in a scene with `up` up: a rotation.
Vec turned(Axis up, Vec v)
{
    switch (up) {
    case Axis::Z: return {v.x, -v.z, v.y};
    case Axis::X: return {v.y, -v.x, v.z};
    case Axis::Y: break;
    }
    return v;
}

Vec unit(Axis axis)
{
    return axis == Axis::X ? Vec{1, 0, 0} : axis == Axis::Y ? Vec{0, 1, 0} : Vec{0, 0, 1};
}

// The axis nearest to a direction, whichever way it points along it.
Axis nearestAxis(Vec d)
{
    const double x = std::fabs(d.x), y = std::fabs(d.y), z = std::fabs(d.z);
    return x > y && x > z ? Axis::X : z > y ? Axis::Z : Axis::Y;
}

// A fitted orthographic view of the bounding sphere, from `from` (towards
// the centre).
Eye fitted(View view, Axis upAxis, Vec centre, double radius, int width, int height)
{
    Vec from, up{0, 1, 0};
    switch (view) {
    case View::Front: from = {0, 0, 1}; break;
    case View::Back: from = {0, 0, -1}; break;
    case View::Right: from = {1, 0, 0}; break;
    case View::Left: from = {-1, 0, 0}; break;
    case View::Top: from = {0, 1, 0}; up = {0, 0, -1}; break;
    case View::Bottom: from = {0, -1, 0}; up = {0, 0, 1}; break;
    default: from = normalized({1, 1, 1}); break;
    }
    from = turned(upAxis, from);
    up = turned(upAxis, up);
    Eye e;
    e.forward = from * -1;
    e.right = normalized(cross(e.forward, up));
    e.up = cross(e.right, e.forward);
    e.position = centre + from * (radius * 3 + 1);
    e.scale = 0.5 * std::min(width, height) / (radius * 1.05);
    return e;
}

// The values of the blocks of the scene's first camera, later ones
// ("#modify") changing earlier ones.
struct CameraValues {
    const Scene& scene;
    const Node* first = scene.camera();

    const vel::model::Value* value(const char* key) const
    {
        const vel::model::Value* found = nullptr;
        for (const Node* camera : scene.cameras())
            if (camera->name == first->name && camera->hasName == first->hasName)
                if (const vel::model::Value* v = camera->parameter(key))
                    found = v;
        return found;
    }
    std::optional<Vec> vec(const char* key) const
    {
        const vel::model::Value* v = value(key);
        const auto t = v ? v->triple() : std::nullopt;
        if (!t)
            return std::nullopt;
        const Vec out{(*t)[0], (*t)[1], (*t)[2]};
        return finite(out) ? std::optional<Vec>(out) : std::nullopt;
    }
    // Its up direction in the scene.
    Vec up() const { return normalized(direction(first->transform(), vec("up").value_or(Vec{0, 1, 0}))); }
};

// The scene's camera, with `upAxis` up when given (and not the way it looks).
std::optional<Eye> sceneCamera(const Scene& scene, std::optional<Axis> upAxis, double radius, int width, int height)
{
    if (!scene.camera())
        return std::nullopt;
    const CameraValues camera{scene};
    auto vec = [&](const char* key) { return camera.vec(key); };
    const Matrix placement = camera.first->transform();
    Eye e;
    e.position = applied(placement, vec("position").value_or(Vec{0, 0, 0}));
    Vec forward{0, 0, -1};
    if (const auto d = vec("direction"))
        forward = *d;
    else if (const auto target = vec("look_at"))
        forward = *target - vec("position").value_or(Vec{});
    forward = normalized(direction(placement, forward));
    if (length(forward) == 0)
        forward = {0, 0, -1};
    Vec up = camera.up();
    if (upAxis && length(cross(forward, unit(*upAxis))) > 1e-6)
        up = unit(*upAxis);
    if (length(cross(forward, up)) < 1e-9)
        up = std::fabs(forward.y) < 0.9 ? Vec{0, 1, 0} : Vec{0, 0, 1};
    e.forward = forward;
    e.right = normalized(cross(forward, up));
    e.up = cross(e.right, forward);
    const vel::model::Value* projection = camera.value("projection");
    if (projection && projection->text() == "orthographic") {
        const vel::model::Value* window = camera.value("window");
        const std::vector<double> w = window ? window->numbers() : std::vector<double>{};
        // The window's extent across the picture's height, else the scene's.
        const double extent = w.size() == 4 ? std::fabs(w[3] - w[2]) : 0;
        e.scale = std::isfinite(extent) && extent > 0 ? height / extent : 0.5 * std::min(width, height) / (radius * 1.05);
        return e;
    }
    const vel::model::Value* fovValue = camera.value("fov");
    double fov = fovValue && fovValue->number() ? *fovValue->number() : 60.0;
    if (!(fov > 0.1 && fov < 179))
        fov = 60;
    e.perspective = true;
    e.scale = 0.5 * height / std::tan(fov * 3.14159265358979323846 / 360.0);
    e.near = std::max(1e-6, radius * 1e-4);
    return e;
}

class Rasterizer {
public:
    Rasterizer(Image& image, const Eye& eye)
        : image_(image), eye_(eye),
          depth_(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height),
                 -std::numeric_limits<double>::infinity())
    {
        // Light from behind the viewer, a little from the upper left.
        light_ = normalized(eye.forward * -1 + eye.up * 0.6 - eye.right * 0.4);
    }

    // True when drawn (at least partly in front of the eye).
    bool draw(const Triangle& t)
    {
        const Vec normal = normalized(cross(t.p[1] - t.p[0], t.p[2] - t.p[0]));
        if (length(normal) == 0)
            return false;
        const double shade = 0.2 + 0.8 * std::fabs(dot(normal, light_));
        std::array<std::uint8_t, 3> colour{};
        for (std::size_t k = 0; k < 3; ++k)
            colour[k] = static_cast<std::uint8_t>(std::lround(255.0 * std::clamp(t.colour[k] * shade, 0.0, 1.0)));
        // Into the eye's frame: x right, y up, d ahead.
        Vec v[3];
        for (int k = 0; k < 3; ++k) {
            const Vec rel = t.p[k] - eye_.position;
            v[k] = {dot(rel, eye_.right), dot(rel, eye_.up), dot(rel, eye_.forward)};
        }
        if (!eye_.perspective)
            return fill(v, 3, colour);
        // Cut away what lies before the near plane.
        Vec kept[4];
        int n = 0;
        for (int k = 0; k < 3; ++k) {
            const Vec a = v[k], b = v[(k + 1) % 3];
            const bool aIn = a.z >= eye_.near, bIn = b.z >= eye_.near;
            if (aIn)
                kept[n++] = a;
            if (aIn != bIn) {
                const double s = (eye_.near - a.z) / (b.z - a.z);
                kept[n++] = a + (b - a) * s;
            }
        }
        if (n < 3)
            return false;
        bool drawn = fill(kept, 3, colour);
        if (n == 4) {
            const Vec second[3] = {kept[0], kept[2], kept[3]};
            drawn = fill(second, 3, colour) || drawn;
        }
        return drawn;
    }

private:
    // A triangle in the eye's frame onto the picture. The depth key grows
    // towards the eye: 1/d with perspective (which interpolates linearly on
    // the screen), -d without.
    bool fill(const Vec* v, int, std::array<std::uint8_t, 3> colour)
    {
        double sx[3], sy[3], key[3];
        const double cx = 0.5 * image_.width, cy = 0.5 * image_.height;
        for (int k = 0; k < 3; ++k) {
            const double f = eye_.perspective ? eye_.scale / v[k].z : eye_.scale;
            sx[k] = cx + v[k].x * f;
            sy[k] = cy - v[k].y * f;
            key[k] = eye_.perspective ? 1 / v[k].z : -v[k].z;
        }
        const double area = (sx[1] - sx[0]) * (sy[2] - sy[0]) - (sx[2] - sx[0]) * (sy[1] - sy[0]);
        if (!std::isfinite(area) || std::fabs(area) < 1e-12)
            return false;
        const double minX = std::max(0.0, std::floor(std::min({sx[0], sx[1], sx[2]})));
        const double maxX = std::min(image_.width - 1.0, std::ceil(std::max({sx[0], sx[1], sx[2]})));
        const double minY = std::max(0.0, std::floor(std::min({sy[0], sy[1], sy[2]})));
        const double maxY = std::min(image_.height - 1.0, std::ceil(std::max({sy[0], sy[1], sy[2]})));
        bool any = false;
        for (int y = static_cast<int>(minY); y <= static_cast<int>(maxY); ++y) {
            for (int x = static_cast<int>(minX); x <= static_cast<int>(maxX); ++x) {
                const double px = x + 0.5, py = y + 0.5;
                const double w0 = ((sx[1] - px) * (sy[2] - py) - (sx[2] - px) * (sy[1] - py)) / area;
                const double w1 = ((sx[2] - px) * (sy[0] - py) - (sx[0] - px) * (sy[2] - py)) / area;
                const double w2 = 1 - w0 - w1;
                if (w0 < 0 || w1 < 0 || w2 < 0)
                    continue;
                const double k = w0 * key[0] + w1 * key[1] + w2 * key[2];
                const std::size_t at = static_cast<std::size_t>(y) * static_cast<std::size_t>(image_.width) +
                                       static_cast<std::size_t>(x);
                if (k <= depth_[at])
                    continue;
                depth_[at] = k;
                std::copy(colour.begin(), colour.end(), image_.rgb.begin() + static_cast<std::ptrdiff_t>(3 * at));
                any = true;
            }
        }
        return any;
    }

    Image& image_;
    const Eye& eye_;
    std::vector<double> depth_;
    Vec light_;
};

} // namespace

std::array<std::uint8_t, 3> Image::at(int x, int y) const
{
    const std::size_t i = 3 * (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x));
    return {rgb[i], rgb[i + 1], rgb[i + 2]};
}

std::optional<View> viewNamed(const std::string& name)
{
    for (const View v : {View::Camera, View::Front, View::Back, View::Left, View::Right, View::Top, View::Bottom, View::Iso})
        if (name == viewName(v))
            return v;
    return std::nullopt;
}

const char* viewName(View view)
{
    switch (view) {
    case View::Camera: return "camera";
    case View::Front: return "front";
    case View::Back: return "back";
    case View::Left: return "left";
    case View::Right: return "right";
    case View::Top: return "top";
    case View::Bottom: return "bottom";
    case View::Iso: return "iso";
    }
    return "iso";
}

std::optional<Axis> axisNamed(const std::string& name)
{
    for (const Axis a : {Axis::X, Axis::Y, Axis::Z})
        if (name == axisName(a))
            return a;
    return std::nullopt;
}

const char* axisName(Axis axis)
{
    return axis == Axis::X ? "x" : axis == Axis::Y ? "y" : "z";
}

Axis upAxisOf(const Scene& scene)
{
    std::optional<double> stated;
    for (const Node* load : scene.root().children(NodeKind::Load))
        if (const vel::model::Value* v = load->parameter("import_up_vector"))
            stated = v->number();
    if (stated == 1.0)
        return Axis::Y;
    if (stated == 2.0)
        return Axis::Z;
    if (scene.camera())
        return nearestAxis(CameraValues{scene}.up());
    return Axis::Y;
}

std::optional<std::pair<int, int>> parseSize(const std::string& text)
{
    const std::size_t x = text.find('x');
    if (x == std::string::npos || x == 0 || x + 1 == text.size())
        return std::nullopt;
    auto number = [](const std::string& s) -> int {
        if (s.empty() || s.size() > 5 || !std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return 0;
        const int v = std::stoi(s);
        return v >= 1 && v <= 16384 ? v : 0;
    };
    const int w = number(text.substr(0, x)), h = number(text.substr(x + 1));
    if (!w || !h)
        return std::nullopt;
    return std::make_pair(w, h);
}

Image renderScene(const Scene& scene, const RenderOptions& options, RenderReport* report)
{
    Image image;
    image.width = options.width;
    image.height = options.height;
    image.rgb.resize(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 3);
    for (std::size_t i = 0; i < image.rgb.size(); i += 3)
        std::copy(kBackground.begin(), kBackground.end(), image.rgb.begin() + static_cast<std::ptrdiff_t>(i));

    std::vector<Triangle> triangles;
    std::size_t objects = 0;
    collect(scene, scene.root(), vel::model::identity(), triangles, objects);

    // The bounding sphere of everything drawn.
    Vec low{std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity(),
            std::numeric_limits<double>::infinity()};
    Vec high = low * -1;
    for (const Triangle& t : triangles)
        for (const Vec& p : t.p) {
            low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
            high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
        }
    Vec centre{};
    double radius = 1;
    if (!triangles.empty()) {
        centre = (low + high) * 0.5;
        radius = std::max(length(high - low) * 0.5, 1e-9);
    }

    View view = options.view.value_or(scene.camera() ? View::Camera : View::Iso);
    std::optional<Eye> eye;
    if (view == View::Camera)
        eye = sceneCamera(scene, options.up, radius, image.width, image.height);
    Axis up = eye ? nearestAxis(eye->up) : options.up.value_or(upAxisOf(scene));
    if (!eye) {
        if (view == View::Camera)
            view = View::Iso; // no camera in the scene
        eye = fitted(view, up, centre, radius, image.width, image.height);
    }

    Rasterizer raster(image, *eye);
    std::size_t drawn = 0;
    for (const Triangle& t : triangles)
        drawn += raster.draw(t) ? 1 : 0;
    if (report) {
        report->view = view;
        report->up = up;
        report->objects = objects;
        report->triangles = triangles.size();
        report->visible = drawn;
    }
    return image;
}

} // namespace rdk
