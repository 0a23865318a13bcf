#pragma once
// A design document as plain data: what the stand-in host presents through
// adsk::core / adsk::fusion once it is opened (HostControl.h).
//
// The loader of design files (DesignLoader.h) produces it; tests and
// benchmarks also fill it directly, for what a file cannot express:
//   - two appearance objects with one identifier (two entries, same `id`);
//   - host objects that are missing, so that the add-in's `->` raises: the
//     `missing` member of each struct, and a component reference of kNone;
//   - a NaN area or volume;
//   - big documents, made without going through JSON.
//
// References between entries are indices into DesignData's vectors. All
// lengths are centimetres and all angles radians, as the host gives them.

#include <Core/Enums.h>
#include <Core/Export.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace standin::host {

/// An index that refers to nothing: no appearance (not an error), or a
/// missing component (the host hands out an empty Ptr).
inline constexpr int kNone = -1;

struct Rgba {
    short red = 255;
    short green = 255;
    short blue = 255;
    short opacity = 255;
};

enum class PropertyType { Color, Filename, Float, Integer, Boolean, String };

/// How deep textures may nest: a colour property of an appearance may have a
/// texture whose colour properties have textures again, this many levels in
/// all. Deeper ones are rejected (they would only be a way to exhaust the
/// stack of whatever walks them).
inline constexpr int kMaxTextureDepth = 8;

/// One appearance property. Which value member counts depends on `type`.
struct PropertyData {
    std::string id;
    PropertyType type = PropertyType::Float;
    std::optional<Rgba> color;       ///< Color: its value; empty for a colour without value
    bool hasTexture = false;         ///< Color: a texture is connected
    std::vector<PropertyData> texture; ///< Color: the connected texture's properties
    std::string text;                ///< Filename and String
    double number = 0.0;             ///< Float
    int integer = 0;                 ///< Integer
    bool boolean = false;            ///< Boolean
    struct Missing {
        bool textureProperties = false; ///< AppearanceTexture::properties()
    } missing;
};

/// Shorthands for the common property kinds.
ADSK_API PropertyData colorProperty(std::string id, std::optional<Rgba> value);
ADSK_API PropertyData filenameProperty(std::string id, std::string path);
ADSK_API PropertyData floatProperty(std::string id, double value);

struct AppearanceData {
    std::string id;
    std::string name;
    std::vector<PropertyData> properties;
    struct Missing {
        bool properties = false; ///< Appearance::appearanceProperties()
    } missing;
};

/// One display mesh; arrays as TriangleMesh hands them out. The host hands
/// out what it holds: a mesh built here need not be valid (loaded ones are).
struct MeshData {
    std::vector<float> nodeCoordinates;    ///< x, y, z per node
    std::vector<float> normalVectors;      ///< x, y, z per node
    std::vector<float> textureCoordinates; ///< u, v per node
    std::vector<std::int32_t> nodeIndices; ///< three per triangle
};

struct FaceData {
    int appearance = kNone;
    std::vector<MeshData> displayMeshes;
    struct Missing {
        bool meshManager = false;   ///< BRepFace::meshManager()
        bool displayMeshes = false; ///< MeshManager::displayMeshes()
    } missing;
};

struct BodyData {
    std::string name;
    bool visible = true;
    int appearance = kNone;
    std::vector<FaceData> faces;
    struct Missing {
        bool faces = false; ///< BRepBody::faces()
    } missing;
};

/// Row-major: `m[row][column]`, the translation in column 3.
using Matrix4 = std::array<std::array<double, 4>, 4>;
ADSK_API Matrix4 identityMatrix();

struct OccurrenceData {
    int component = kNone; ///< kNone: Occurrence::component() is empty
    bool visible = true;
    int appearance = kNone;
    Matrix4 transform = identityMatrix();
    struct Missing {
        bool transform = false; ///< Occurrence::transform()
    } missing;
};

struct PhysicalData {
    double area = 0.0;   ///< cm², may be NaN
    double volume = 0.0; ///< cm³, may be NaN
};

struct ComponentData {
    /// The file's key, used only in messages (a built design may leave it
    /// empty; messages then use the index).
    std::string key;
    std::string name;
    /// When empty, computed from the display meshes of the component's own
    /// bodies as the document opens: the area is the sum of the triangle
    /// areas, the volume the sum over the bodies of each body's |signed
    /// volume|.
    std::optional<PhysicalData> physicalProperties;
    std::vector<BodyData> bodies;
    std::vector<OccurrenceData> occurrences;
    struct Missing {
        bool physicalProperties = false; ///< Component::physicalProperties()
        bool bodies = false;             ///< Component::bRepBodies()
        bool occurrences = false;        ///< Component::occurrences()
    } missing;
};

enum class ProductType { Design, Other };

struct ProductData {
    ProductType type = ProductType::Design;
    std::string units = "cm";  ///< UnitsManager::defaultLengthUnits()
    int rootComponent = kNone; ///< Design only; kNone: rootComponent() is empty
    struct Missing {
        bool unitsManager = false; ///< Product::unitsManager()
    } missing;
};

struct CameraData {
    adsk::core::CameraTypes cameraType = adsk::core::PerspectiveCameraType;
    std::array<double, 3> eye{100.0, 100.0, 100.0};
    std::array<double, 3> target{0.0, 0.0, 0.0};
    std::array<double, 3> up{0.0, 1.0, 0.0};
    double perspectiveAngle = 0.5235987755982988; ///< π/6
};

/// The view of a design without a stored viewport: perspective, eye
/// (100, 100, 100), target at the origin, angle π/6, up along +Y or +Z.
ADSK_API CameraData defaultView(adsk::core::DefaultModelingOrientations orientation);

/// Application state that comes with a document but is not part of it.
struct HostSettings {
    adsk::core::DefaultModelingOrientations modelingOrientation = adsk::core::YUpModelingOrientation;
    /// The active viewport's camera; empty: there is no active viewport.
    /// (The default is the Y-up default view; set it for a Z-up design.)
    std::optional<CameraData> viewport = CameraData{};
};

struct DesignData {
    std::string name; ///< Document::name()
    HostSettings host;
    std::vector<AppearanceData> appearances;
    std::vector<ProductData> products;
    std::vector<ComponentData> components;
    struct Missing {
        bool products = false; ///< Document::products()
    } missing;
};

/// A closed box from `min` to `max`, outward facing: 24 nodes (4 per side,
/// with the side's normal and texture coordinates 0..1), 12 triangles.
ADSK_API MeshData boxMesh(std::array<double, 3> min, std::array<double, 3> max);

/// A flat square grid in the XY plane from (0, 0) to (cellsX, cellsY) ×
/// `cellSize`, facing +Z: (cellsX+1)·(cellsY+1) nodes, 2·cellsX·cellsY
/// triangles. For big documents.
ADSK_API MeshData gridMesh(int cellsX, int cellsY, double cellSize);

} // namespace standin::host
