#include <StandIn/DesignLoader.h>

#include "JsonReader.h"

#include <climits>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <map>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

namespace standin::host {

namespace {

using detail::Json;
using detail::JsonDocument;
using detail::PackedArray;

constexpr const char* kFormat = "design/1";

const char* typeName(const Json& v)
{
    switch (v.type()) {
    case Json::value_t::null: return "null";
    case Json::value_t::boolean: return "boolean";
    case Json::value_t::number_integer:
    case Json::value_t::number_unsigned:
    case Json::value_t::number_float: return "number";
    case Json::value_t::string: return "string";
    case Json::value_t::array:
    case Json::value_t::binary: return "array";
    case Json::value_t::object: return "object";
    case Json::value_t::discarded: break;
    }
    return "nothing";
}

std::string quoted(const std::string& text)
{
    return Json(text).dump();
}

// Walks the DOM of a design in document order, filling DesignData, and
// throws DesignError at the first problem, with the JSON path of the value
// at fault.
class DesignReader {
public:
    DesignReader(JsonDocument& document, const std::string& source) : document_(document), source_(source) {}

    DesignData read()
    {
        const Json& root = document_.root;
        if (!root.is_object())
            fail(std::string("expected an object, got ") + typeName(root));
        checkFormat(root);
        fields(root, {"format", "name", "products", "components"}, [&](const std::string& key, const Json& v) {
            if (key == "format")
                return true;
            if (key == "name")
                design_.name = string(v);
            else if (key == "host")
                readHost(v);
            else if (key == "appearances")
                readAppearances(v);
            else if (key == "products")
                readProducts(v);
            else if (key == "components")
                readComponents(v);
            else
                return false;
            return true;
        });
        if (!hostSeen_)
            design_.host.viewport = defaultView(design_.host.modelingOrientation);
        resolveReferences();
        checkDesign(design_, source_);
        return std::move(design_);
    }

private:
    // ---- paths and failures ------------------------------------------------

    // Extends the path for the lifetime of the returned object.
    class [[nodiscard]] Step {
    public:
        Step(std::string& path, std::size_t length) : path_(path), length_(length) {}
        Step(const Step&) = delete;
        Step& operator=(const Step&) = delete;
        ~Step() { path_.resize(length_); }

    private:
        std::string& path_;
        std::size_t length_;
    };

    Step at(std::string_view field)
    {
        const std::size_t length = path_.size();
        if (!path_.empty())
            path_ += '.';
        path_ += field;
        return Step(path_, length);
    }

    Step at(std::size_t index)
    {
        const std::size_t length = path_.size();
        path_ += '[';
        path_ += std::to_string(index);
        path_ += ']';
        return Step(path_, length);
    }

    [[noreturn]] void fail(std::string problem) const { throw DesignError(source_, path_, std::move(problem)); }

    // ---- values --------------------------------------------------------------

    void expectObject(const Json& v) const
    {
        if (!v.is_object())
            fail(std::string("expected an object, got ") + typeName(v));
    }

    const Json::array_t& array(const Json& v) const
    {
        if (!v.is_array())
            fail(std::string("expected an array, got ") + typeName(v));
        return v.get_ref<const Json::array_t&>();
    }

    // Every string the design keeps; names end at a NUL downstream, so a
    // string holding one could not be passed on whole.
    const std::string& string(const Json& v) const
    {
        if (!v.is_string())
            fail(std::string("expected a string, got ") + typeName(v));
        const auto& text = v.get_ref<const std::string&>();
        if (text.find('\0') != std::string::npos)
            fail("a NUL character (\\u0000) in " + quoted(text));
        return text;
    }

    bool boolean(const Json& v) const
    {
        if (!v.is_boolean())
            fail(std::string("expected true or false, got ") + typeName(v));
        return v.get<bool>();
    }

    double number(const Json& v) const
    {
        if (!v.is_number())
            fail(std::string("expected a number, got ") + typeName(v));
        const double d = v.get<double>();
        if (!std::isfinite(d))
            fail("number out of range");
        return d;
    }

    long long integer(const Json& v, long long low, long long high) const
    {
        const auto range = [&] { return " out of range (" + std::to_string(low) + " to " + std::to_string(high) + ")"; };
        if (v.is_number_unsigned()) {
            const auto u = v.get<std::uint64_t>();
            if (u > static_cast<unsigned long long>(high))
                fail(std::to_string(u) + range());
            return static_cast<long long>(u);
        }
        if (v.is_number_integer()) {
            const auto s = v.get<std::int64_t>();
            if (s < low || s > high)
                fail(std::to_string(s) + range());
            return s;
        }
        if (v.is_number_float())
            fail("expected an integer, got " + v.dump());
        fail(std::string("expected an integer, got ") + typeName(v));
    }

    // N numbers that the scene is written with as 32-bit floats (points,
    // vectors, transforms): one beyond float range would be written as inf.
    template <std::size_t N>
    std::array<double, N> floatNumbers(const Json& v)
    {
        const Json::array_t& a = array(v);
        if (a.size() != N)
            fail("expected " + std::to_string(N) + " numbers, got " + std::to_string(a.size()));
        std::array<double, N> result{};
        for (std::size_t i = 0; i < N; ++i) {
            const Step step = at(i);
            result[i] = number(a[i]);
            if (std::isinf(static_cast<float>(result[i])))
                fail(a[i].dump() + " out of range for a 32-bit float");
        }
        return result;
    }

    // Calls handle(key, value) for each field in document order, with the
    // path at the field; handle returns false for a field it does not know.
    // Afterwards every required field must have been there.
    template <class Handle>
    void fields(const Json& object, std::initializer_list<std::string_view> required, Handle&& handle)
    {
        expectObject(object);
        for (const auto& [key, value] : object.get_ref<const Json::object_t&>()) {
            if (key.find('\0') != std::string::npos)
                fail("a NUL character (\\u0000) in the field name " + quoted(key));
            const Step step = at(key);
            if (!handle(key, value))
                fail("unknown field");
        }
        for (std::string_view name : required) {
            if (!object.contains(std::string(name))) {
                const Step step = at(name);
                fail("missing required field");
            }
        }
    }

    // A field read before the others because it decides how they are read.
    const Json* lookAhead(const Json& object, std::string_view name)
    {
        expectObject(object);
        const auto& fields = object.get_ref<const Json::object_t&>();
        const auto it = fields.find(std::string(name));
        if (it == fields.end()) {
            const Step step = at(name);
            fail("missing required field");
        }
        return &it->second;
    }

    // An id or key referred to; resolved once the whole document is read.
    void reference(const Json& v, int& slot, bool component, bool nullable)
    {
        if (nullable && v.is_null()) {
            slot = kNone;
            return;
        }
        pending_.push_back({path_, string(v), &slot, component});
    }

    // ---- the document ----------------------------------------------------------

    void checkFormat(const Json& root)
    {
        const Json* format = lookAhead(root, "format");
        const Step step = at("format");
        const std::string& value = string(*format);
        if (value != kFormat)
            fail("unknown format " + quoted(value) + " (this host reads " + quoted(kFormat) + ")");
    }

    void readHost(const Json& v)
    {
        bool viewportSeen = false;
        fields(v, {}, [&](const std::string& key, const Json& value) {
            if (key == "modelingOrientation") {
                const std::string& o = string(value);
                if (o == "y-up")
                    design_.host.modelingOrientation = adsk::core::YUpModelingOrientation;
                else if (o == "z-up")
                    design_.host.modelingOrientation = adsk::core::ZUpModelingOrientation;
                else
                    fail("unknown value " + quoted(o) + " (expected \"y-up\" or \"z-up\")");
            } else if (key == "viewport") {
                viewportSeen = true;
                if (value.is_null())
                    design_.host.viewport.reset();
                else
                    design_.host.viewport = readCamera(value);
            } else {
                return false;
            }
            return true;
        });
        hostSeen_ = true;
        // The default view depends on the orientation, which may come later.
        if (!viewportSeen)
            design_.host.viewport = defaultView(design_.host.modelingOrientation);
    }

    CameraData readCamera(const Json& v)
    {
        CameraData camera;
        fields(v, {"cameraType", "eye", "target", "up", "perspectiveAngle"}, [&](const std::string& key, const Json& value) {
            if (key == "cameraType") {
                const std::string& type = string(value);
                if (type == "perspective")
                    camera.cameraType = adsk::core::PerspectiveCameraType;
                else if (type == "orthographic")
                    camera.cameraType = adsk::core::OrthographicCameraType;
                else
                    fail("unknown value " + quoted(type) + " (expected \"perspective\" or \"orthographic\")");
            } else if (key == "eye") {
                camera.eye = floatNumbers<3>(value);
            } else if (key == "target") {
                camera.target = floatNumbers<3>(value);
            } else if (key == "up") {
                camera.up = floatNumbers<3>(value);
            } else if (key == "perspectiveAngle") {
                camera.perspectiveAngle = number(value);
                if (!(camera.perspectiveAngle > 0.0 && camera.perspectiveAngle < std::numbers::pi))
                    fail(value.dump() + " out of range (between 0 and pi radians)");
            } else {
                return false;
            }
            return true;
        });
        return camera;
    }

    void readAppearances(const Json& v)
    {
        const Json::array_t& list = array(v);
        design_.appearances.reserve(list.size());
        for (std::size_t i = 0; i < list.size(); ++i) {
            const Step step = at(i);
            AppearanceData& appearance = design_.appearances.emplace_back();
            fields(list[i], {"id", "name"}, [&](const std::string& key, const Json& value) {
                if (key == "id") {
                    appearance.id = string(value);
                    claim(appearanceIds_, appearance.id, i, "appearance id", "appearances");
                } else if (key == "name") {
                    appearance.name = string(value);
                } else if (key == "properties") {
                    readProperties(value, appearance.properties, 0);
                } else {
                    return false;
                }
                return true;
            });
        }
    }

    void readProperties(const Json& v, std::vector<PropertyData>& properties, int depth)
    {
        const Json::array_t& list = array(v);
        properties.reserve(list.size());
        for (std::size_t i = 0; i < list.size(); ++i) {
            const Step step = at(i);
            readProperty(list[i], properties.emplace_back(), depth);
        }
    }

    void readProperty(const Json& v, PropertyData& p, int depth)
    {
        {
            const Json& type = *lookAhead(v, "type");
            const Step step = at("type");
            static const std::map<std::string, PropertyType, std::less<>> types = {
                {"color", PropertyType::Color},     {"filename", PropertyType::Filename},
                {"float", PropertyType::Float},     {"integer", PropertyType::Integer},
                {"boolean", PropertyType::Boolean}, {"string", PropertyType::String}};
            const auto it = types.find(string(type));
            if (it == types.end())
                fail("unknown value " + quoted(string(type)) +
                     " (expected \"color\", \"filename\", \"float\", \"integer\", \"boolean\" or \"string\")");
            p.type = it->second;
        }
        fields(v, {"id", "type", "value"}, [&](const std::string& key, const Json& value) {
            if (key == "id")
                p.id = string(value);
            else if (key == "type")
                return true;
            else if (key == "value")
                readPropertyValue(value, p);
            else if (key == "texture" && p.type == PropertyType::Color)
                readTexture(value, p, depth);
            else if (key == "texture")
                fail("only a colour property has a texture");
            else
                return false;
            return true;
        });
    }

    void readPropertyValue(const Json& v, PropertyData& p)
    {
        switch (p.type) {
        case PropertyType::Color: {
            if (v.is_null()) {
                p.color.reset();
                return;
            }
            const Json::array_t& channels = array(v);
            if (channels.size() != 4)
                fail("expected 4 integers (red, green, blue, opacity), got " + std::to_string(channels.size()));
            short c[4];
            for (std::size_t i = 0; i < 4; ++i) {
                const Step step = at(i);
                c[i] = static_cast<short>(integer(channels[i], 0, 255));
            }
            p.color = Rgba{c[0], c[1], c[2], c[3]};
            return;
        }
        case PropertyType::Filename:
        case PropertyType::String:
            p.text = string(v);
            return;
        case PropertyType::Float:
            p.number = number(v);
            return;
        case PropertyType::Integer:
            p.integer = static_cast<int>(integer(v, INT_MIN, INT_MAX));
            return;
        case PropertyType::Boolean:
            p.boolean = boolean(v);
            return;
        }
    }

    void readTexture(const Json& v, PropertyData& p, int depth)
    {
        if (depth + 1 > kMaxTextureDepth)
            fail("textures nested more than " + std::to_string(kMaxTextureDepth) + " deep");
        p.hasTexture = true;
        readProperties(v, p.texture, depth + 1);
    }

    void readProducts(const Json& v)
    {
        const Json::array_t& list = array(v);
        design_.products.reserve(list.size());
        for (std::size_t i = 0; i < list.size(); ++i) {
            const Step step = at(i);
            ProductData& product = design_.products.emplace_back();
            {
                const Json& type = *lookAhead(list[i], "type");
                const Step typeStep = at("type");
                const std::string& name = string(type);
                if (name == "design")
                    product.type = ProductType::Design;
                else if (name == "other")
                    product.type = ProductType::Other;
                else
                    fail("unknown value " + quoted(name) + " (expected \"design\" or \"other\")");
            }
            const bool design = product.type == ProductType::Design;
            const auto handle = [&](const std::string& key, const Json& value) {
                if (key == "type")
                    return true;
                if (key == "units" && design)
                    product.units = string(value);
                else if (key == "rootComponent" && design)
                    reference(value, product.rootComponent, true, false);
                else
                    return false;
                return true;
            };
            if (design)
                fields(list[i], {"type", "units", "rootComponent"}, handle);
            else
                fields(list[i], {"type"}, handle);
        }
    }

    void readComponents(const Json& v)
    {
        const Json::array_t& list = array(v);
        design_.components.reserve(list.size());
        for (std::size_t i = 0; i < list.size(); ++i) {
            const Step step = at(i);
            ComponentData& component = design_.components.emplace_back();
            fields(list[i], {"key", "name"}, [&](const std::string& key, const Json& value) {
                if (key == "key") {
                    component.key = string(value);
                    claim(componentKeys_, component.key, i, "component key", "components");
                } else if (key == "name") {
                    component.name = string(value);
                } else if (key == "physicalProperties") {
                    component.physicalProperties = readPhysical(value);
                } else if (key == "bodies") {
                    readBodies(value, component.bodies);
                } else if (key == "occurrences") {
                    readOccurrences(value, component.occurrences);
                } else {
                    return false;
                }
                return true;
            });
        }
    }

    PhysicalData readPhysical(const Json& v)
    {
        PhysicalData physical;
        fields(v, {"area", "volume"}, [&](const std::string& key, const Json& value) {
            if (key == "area")
                physical.area = physicalValue(value);
            else if (key == "volume")
                physical.volume = physicalValue(value);
            else
                return false;
            return true;
        });
        return physical;
    }

    double physicalValue(const Json& v) const
    {
        if (v.is_string()) {
            if (v.get_ref<const std::string&>() != "NaN")
                fail("expected a number or \"NaN\", got " + v.dump());
            return std::numeric_limits<double>::quiet_NaN();
        }
        if (!v.is_number())
            fail(std::string("expected a number or \"NaN\", got ") + typeName(v));
        const double d = number(v);
        if (d < 0.0)
            fail(v.dump() + " out of range (0 or more)");
        return d;
    }

    void readBodies(const Json& v, std::vector<BodyData>& bodies)
    {
        const Json::array_t& list = array(v);
        bodies.reserve(list.size());
        for (std::size_t i = 0; i < list.size(); ++i) {
            const Step step = at(i);
            BodyData& body = bodies.emplace_back();
            fields(list[i], {"name"}, [&](const std::string& key, const Json& value) {
                if (key == "name")
                    body.name = string(value);
                else if (key == "visible")
                    body.visible = boolean(value);
                else if (key == "appearance")
                    reference(value, body.appearance, false, true);
                else if (key == "faces")
                    readFaces(value, body.faces);
                else
                    return false;
                return true;
            });
        }
    }

    void readFaces(const Json& v, std::vector<FaceData>& faces)
    {
        const Json::array_t& list = array(v);
        faces.reserve(list.size());
        for (std::size_t i = 0; i < list.size(); ++i) {
            const Step step = at(i);
            FaceData& face = faces.emplace_back();
            fields(list[i], {}, [&](const std::string& key, const Json& value) {
                if (key == "appearance")
                    reference(value, face.appearance, false, true);
                else if (key == "displayMeshes")
                    readMeshes(value, face.displayMeshes);
                else
                    return false;
                return true;
            });
        }
    }

    void readMeshes(const Json& v, std::vector<MeshData>& meshes)
    {
        const Json::array_t& list = array(v);
        meshes.reserve(list.size());
        for (std::size_t i = 0; i < list.size(); ++i) {
            const Step step = at(i);
            readMesh(list[i], meshes.emplace_back());
        }
    }

    void readMesh(const Json& v, MeshData& mesh)
    {
        PackedArray* indices = nullptr;
        fields(v, {"nodeCoordinates", "nodeIndices"}, [&](const std::string& key, const Json& value) {
            if (key == "nodeCoordinates") {
                mesh.nodeCoordinates = floats(value);
                if (mesh.nodeCoordinates.size() % 3 != 0)
                    fail(std::to_string(mesh.nodeCoordinates.size()) + " numbers, not a multiple of 3");
            } else if (key == "normalVectors") {
                mesh.normalVectors = floats(value);
            } else if (key == "textureCoordinates") {
                mesh.textureCoordinates = floats(value);
            } else if (key == "nodeIndices") {
                indices = packed(value);
            } else {
                return false;
            }
            return true;
        });
        // The indices are checked against the node count, known only now.
        const Step step = at("nodeIndices");
        mesh.nodeIndices = nodeIndices(*indices, mesh.nodeCoordinates.size() / 3);
    }

    PackedArray* packed(const Json& v)
    {
        PackedArray* a = detail::packedArray(document_, v);
        if (a == nullptr)
            fail(std::string("expected an array, got ") + typeName(v));
        return a;
    }

    std::vector<float> floats(const Json& v)
    {
        PackedArray& a = *packed(v);
        if (a.issue) {
            const Step step = at(a.issue->index);
            fail(a.issue->wrongType ? a.issue->text : a.issue->text + " out of range for a 32-bit float");
        }
        return std::move(a.floats);
    }

    std::vector<std::int32_t> nodeIndices(PackedArray& a, std::size_t nodes)
    {
        const auto outOfRange = [&](const std::string& value) {
            return "index " + value + " out of range (" + std::to_string(nodes) + " nodes)";
        };
        const std::size_t checked = a.issue ? a.issue->index : a.ints.size();
        for (std::size_t i = 0; i < checked; ++i) {
            const std::int32_t n = a.ints[i];
            if (n < 0 || static_cast<std::size_t>(n) >= nodes) {
                const Step step = at(i);
                fail(outOfRange(std::to_string(n)));
            }
        }
        if (a.issue) {
            const Step step = at(a.issue->index);
            fail(a.issue->wrongType ? a.issue->text : outOfRange(a.issue->text));
        }
        if (a.ints.size() % 3 != 0)
            fail(std::to_string(a.ints.size()) + " indices, not a multiple of 3");
        return std::move(a.ints);
    }

    void readOccurrences(const Json& v, std::vector<OccurrenceData>& occurrences)
    {
        const Json::array_t& list = array(v);
        occurrences.reserve(list.size());
        for (std::size_t i = 0; i < list.size(); ++i) {
            const Step step = at(i);
            OccurrenceData& occurrence = occurrences.emplace_back();
            fields(list[i], {"component"}, [&](const std::string& key, const Json& value) {
                if (key == "component")
                    reference(value, occurrence.component, true, false);
                else if (key == "visible")
                    occurrence.visible = boolean(value);
                else if (key == "appearance")
                    reference(value, occurrence.appearance, false, true);
                else if (key == "transform")
                    occurrence.transform = readMatrix(value);
                else
                    return false;
                return true;
            });
        }
    }

    Matrix4 readMatrix(const Json& v)
    {
        const Json::array_t& rows = array(v);
        if (rows.size() != 4)
            fail("expected 4 rows of 4 numbers, got " + std::to_string(rows.size()) + " rows");
        Matrix4 m{};
        for (std::size_t r = 0; r < 4; ++r) {
            const Step step = at(r);
            const std::array<double, 4> row = floatNumbers<4>(rows[r]);
            m[r] = row;
        }
        return m;
    }

    // ---- keys and references -----------------------------------------------------

    // Records a key or id that must be unique; the path is at the field.
    void claim(std::map<std::string, std::size_t, std::less<>>& taken, const std::string& name, std::size_t index,
               const char* what, const char* list)
    {
        const auto [it, inserted] = taken.emplace(name, index);
        if (!inserted)
            fail(std::string("repeated ") + what + " " + quoted(name) + " (first in " + list + "[" +
                 std::to_string(it->second) + "])");
    }

    void resolveReferences()
    {
        for (const Pending& p : pending_) {
            const auto& names = p.component ? componentKeys_ : appearanceIds_;
            const auto it = names.find(p.name);
            if (it == names.end())
                throw DesignError(source_, p.path,
                                  std::string(p.component ? "no component with key " : "no appearance with id ") +
                                      quoted(p.name));
            *p.slot = static_cast<int>(it->second);
        }
    }

    struct Pending {
        std::string path;
        std::string name;
        int* slot; // stays valid: every list is reserved before it is filled
        bool component;
    };

    JsonDocument& document_;
    const std::string& source_;
    std::string path_;
    DesignData design_;
    bool hostSeen_ = false;
    std::map<std::string, std::size_t, std::less<>> componentKeys_;
    std::map<std::string, std::size_t, std::less<>> appearanceIds_;
    std::vector<Pending> pending_;
};

std::string pathText(const std::filesystem::path& file)
{
    const std::u8string text = file.u8string();
    return std::string(text.begin(), text.end());
}

} // namespace

DesignData loadDesignFile(const std::filesystem::path& file)
{
    const std::string source = pathText(file);
    JsonDocument document = detail::readJsonFile(file, source);
    return DesignReader(document, source).read();
}

DesignData parseDesign(std::string_view json, const std::string& source)
{
    JsonDocument document = detail::readJsonText(json, source);
    return DesignReader(document, source).read();
}

} // namespace standin::host
