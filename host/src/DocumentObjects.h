#pragma once
// The objects of an open document, made from DesignData when it opens.

#include "Object.h"

#include <StandIn/DesignData.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace standin::host::detail {

using adsk::core::Ptr;

class PropertiesObject;

class AppearanceObject final : public Object<adsk::core::Appearance> {
public:
    AppearanceObject(std::string id, std::string name, Ptr<PropertiesObject> properties);

    std::string id() const override { return id_; }
    std::string name() const override { return name_; }
    Ptr<adsk::core::Properties> appearanceProperties() const override;

private:
    std::string id_;
    std::string name_;
    Ptr<PropertiesObject> properties_;
};

class PropertiesObject final : public ListObject<adsk::core::Properties, adsk::core::Property> {};

class AppearanceTextureObject final : public Object<adsk::core::AppearanceTexture> {
public:
    explicit AppearanceTextureObject(Ptr<PropertiesObject> properties) : properties_(std::move(properties)) {}

    Ptr<adsk::core::Properties> properties() const override;

private:
    Ptr<PropertiesObject> properties_;
};

class ColorObject final : public Object<adsk::core::Color> {
public:
    explicit ColorObject(const Rgba& rgba) : rgba_(rgba) {}

    bool getColor(short& red, short& green, short& blue, short& opacity) const override;

private:
    Rgba rgba_;
};

class ColorPropertyObject final : public Object<adsk::core::ColorProperty> {
public:
    ColorPropertyObject(std::string id, std::optional<Rgba> value, Ptr<AppearanceTextureObject> texture)
        : id_(std::move(id)), value_(value), texture_(std::move(texture)) {}

    std::string id() const override { return id_; }
    Ptr<adsk::core::Color> value() const override;
    Ptr<adsk::core::AppearanceTexture> connectedTexture() const override { return texture_; }

private:
    std::string id_;
    std::optional<Rgba> value_;
    Ptr<AppearanceTextureObject> texture_;
};

// Filename, float, integer, boolean and string properties.
template <class I, class V>
class ValuePropertyObject final : public Object<I> {
public:
    ValuePropertyObject(std::string id, V value) : id_(std::move(id)), value_(std::move(value)) {}

    std::string id() const override { return id_; }
    V value() const override { return value_; }

private:
    std::string id_;
    V value_;
};

class TriangleMeshObject final : public Object<adsk::fusion::TriangleMesh> {
public:
    explicit TriangleMeshObject(std::shared_ptr<const MeshData> data) : data_(std::move(data)) {}

private:
    const float* nodeCoordinatesAsFloat_raw(std::size_t& count) const override;
    const float* normalVectorsAsFloat_raw(std::size_t& count) const override;
    const float* textureCoordinatesAsFloat_raw(std::size_t& count) const override;
    const int* nodeIndices_raw(std::size_t& count) const override;

    std::shared_ptr<const MeshData> data_;
};

class TriangleMeshListObject final
    : public ListObject<adsk::fusion::TriangleMeshList, adsk::fusion::TriangleMesh> {};

class MeshManagerObject final : public Object<adsk::fusion::MeshManager> {
public:
    explicit MeshManagerObject(Ptr<TriangleMeshListObject> displayMeshes) : displayMeshes_(std::move(displayMeshes)) {}

    Ptr<adsk::fusion::TriangleMeshList> displayMeshes() const override { return displayMeshes_; }

private:
    Ptr<TriangleMeshListObject> displayMeshes_;
};

class BRepFaceObject final : public Object<adsk::fusion::BRepFace> {
public:
    BRepFaceObject(Ptr<AppearanceObject> appearance, Ptr<MeshManagerObject> meshManager)
        : appearance_(std::move(appearance)), meshManager_(std::move(meshManager)) {}

    Ptr<adsk::core::Appearance> appearance() const override { return appearance_; }
    Ptr<adsk::fusion::MeshManager> meshManager() const override { return meshManager_; }

private:
    Ptr<AppearanceObject> appearance_;
    Ptr<MeshManagerObject> meshManager_;
};

class BRepFacesObject final : public ListObject<adsk::fusion::BRepFaces, adsk::fusion::BRepFace> {};

class BRepBodyObject final : public Object<adsk::fusion::BRepBody> {
public:
    BRepBodyObject(std::string name, bool visible, Ptr<AppearanceObject> appearance, Ptr<BRepFacesObject> faces)
        : name_(std::move(name)), visible_(visible), appearance_(std::move(appearance)), faces_(std::move(faces)) {}

    std::string name() const override { return name_; }
    bool isLightBulbOn() const override { return visible_; }
    Ptr<adsk::core::Appearance> appearance() const override { return appearance_; }
    Ptr<adsk::fusion::BRepFaces> faces() const override { return faces_; }

private:
    std::string name_;
    bool visible_;
    Ptr<AppearanceObject> appearance_;
    Ptr<BRepFacesObject> faces_;
};

class BRepBodiesObject final : public ListObject<adsk::fusion::BRepBodies, adsk::fusion::BRepBody> {};

class PhysicalPropertiesObject final : public Object<adsk::fusion::PhysicalProperties> {
public:
    explicit PhysicalPropertiesObject(const PhysicalData& data) : data_(data) {}

    double area() const override { return data_.area; }
    double volume() const override { return data_.volume; }

private:
    PhysicalData data_;
};

class ComponentObject;

class OccurrenceObject final : public Object<adsk::fusion::Occurrence> {
public:
    OccurrenceObject(Ptr<ComponentObject> component, bool visible, Ptr<AppearanceObject> appearance,
                     std::optional<Matrix4> transform)
        : component_(std::move(component)), visible_(visible), appearance_(std::move(appearance)),
          transform_(transform) {}
    ~OccurrenceObject() override;

    Ptr<adsk::fusion::Component> component() const override;
    bool isLightBulbOn() const override { return visible_; }
    Ptr<adsk::core::Appearance> appearance() const override { return appearance_; }
    Ptr<adsk::core::Matrix3D> transform() const override;

private:
    Ptr<ComponentObject> component_;
    bool visible_;
    Ptr<AppearanceObject> appearance_;
    std::optional<Matrix4> transform_;
};

class OccurrencesObject final : public ListObject<adsk::fusion::Occurrences, adsk::fusion::Occurrence> {};

class ComponentObject final : public Object<adsk::fusion::Component> {
public:
    std::string name() const override { return name_; }
    Ptr<adsk::fusion::Occurrences> occurrences() const override { return occurrences_; }
    Ptr<adsk::fusion::BRepBodies> bRepBodies() const override { return bodies_; }
    Ptr<adsk::fusion::PhysicalProperties> physicalProperties() const override { return physical_; }

    // Filled while the document is made (each null when missing).
    std::string name_;
    Ptr<OccurrencesObject> occurrences_;
    Ptr<BRepBodiesObject> bodies_;
    Ptr<PhysicalPropertiesObject> physical_;
};

class UnitsManagerObject final : public Object<adsk::core::UnitsManager> {
public:
    explicit UnitsManagerObject(std::string units) : units_(std::move(units)) {}

    std::string defaultLengthUnits() const override { return units_; }

private:
    std::string units_;
};

class DesignObject final : public Object<adsk::fusion::Design> {
public:
    DesignObject(Ptr<UnitsManagerObject> units, Ptr<ComponentObject> root)
        : units_(std::move(units)), root_(std::move(root)) {}

    Ptr<adsk::core::UnitsManager> unitsManager() const override { return units_; }
    Ptr<adsk::fusion::Component> rootComponent() const override;

private:
    Ptr<UnitsManagerObject> units_;
    Ptr<ComponentObject> root_;
};

// A product that is not a design.
class OtherProductObject final : public Object<adsk::core::Product> {
public:
    explicit OtherProductObject(Ptr<UnitsManagerObject> units) : units_(std::move(units)) {}

    Ptr<adsk::core::UnitsManager> unitsManager() const override { return units_; }

private:
    Ptr<UnitsManagerObject> units_;
};

class ProductsObject final : public ListObject<adsk::core::Products, adsk::core::Product> {};

class DocumentObject final : public Object<adsk::core::Document> {
public:
    std::string name() const override { return name_; }
    Ptr<adsk::core::Products> products() const override { return products_; }

    std::string name_;
    Ptr<ProductsObject> products_;
};

// Makes the objects of a checked design (checkDesign); the mesh arrays move
// into the document without a copy.
Ptr<DocumentObject> makeDocument(DesignData&& design);

// Area and volume of a component's own bodies, from their display meshes.
// Triangles with a node index out of range count for nothing.
PhysicalData computePhysicalProperties(const ComponentData& component);

} // namespace standin::host::detail
