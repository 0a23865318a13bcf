#include "DocumentObjects.h"

#include "ArrayLoans.h"
#include "GeometryObjects.h"

#include <cmath>
#include <utility>
#include <vector>

namespace standin::host::detail {

// ---- Appearances ---------------------------------------------------------------

AppearanceObject::AppearanceObject(std::string id, std::string name, Ptr<PropertiesObject> properties)
    : id_(std::move(id)), name_(std::move(name)), properties_(std::move(properties))
{
}

Ptr<adsk::core::Properties> AppearanceObject::appearanceProperties() const
{
    return properties_;
}

Ptr<adsk::core::Properties> AppearanceTextureObject::properties() const
{
    return properties_;
}

bool ColorObject::getColor(short& red, short& green, short& blue, short& opacity) const
{
    red = rgba_.red;
    green = rgba_.green;
    blue = rgba_.blue;
    opacity = rgba_.opacity;
    return true;
}

Ptr<adsk::core::Color> ColorPropertyObject::value() const
{
    if (!value_)
        return nullptr;
    return new ColorObject(*value_);
}

// ---- Meshes ------------------------------------------------------------------

const float* TriangleMeshObject::nodeCoordinatesAsFloat_raw(std::size_t& count) const
{
    return lendVector(data_->nodeCoordinates, data_, count);
}

const float* TriangleMeshObject::normalVectorsAsFloat_raw(std::size_t& count) const
{
    return lendVector(data_->normalVectors, data_, count);
}

const float* TriangleMeshObject::textureCoordinatesAsFloat_raw(std::size_t& count) const
{
    return lendVector(data_->textureCoordinates, data_, count);
}

const int* TriangleMeshObject::nodeIndices_raw(std::size_t& count) const
{
    static_assert(sizeof(int) == sizeof(std::int32_t));
    return reinterpret_cast<const int*>(lendVector(data_->nodeIndices, data_, count));
}

// ---- Components and products -----------------------------------------------------

// The last reference to a component releases its occurrences, each of which
// releases the component it places: left alone, a chain of placements as deep
// as the design would be freed recursively, whoever lets go of its top (the
// document, or a Ptr the add-in kept past it). So while one occurrence
// releases its component, the others queue theirs, and the first one drains
// the queue: the stack stays flat at any depth.
OccurrenceObject::~OccurrenceObject()
{
    thread_local std::vector<Ptr<ComponentObject>>* queue = nullptr;
    if (queue != nullptr) {
        queue->push_back(std::move(component_));
        return;
    }
    std::vector<Ptr<ComponentObject>> pending;
    queue = &pending;
    component_.reset();
    while (!pending.empty()) {
        Ptr<ComponentObject> next = std::move(pending.back());
        pending.pop_back();
        next.reset();
    }
    queue = nullptr;
}

Ptr<adsk::fusion::Component> OccurrenceObject::component() const
{
    return component_;
}

Ptr<adsk::core::Matrix3D> OccurrenceObject::transform() const
{
    if (!transform_)
        return nullptr;
    return new Matrix3DObject(*transform_);
}

Ptr<adsk::fusion::Component> DesignObject::rootComponent() const
{
    return root_;
}

// ---- Physical properties -------------------------------------------------------

PhysicalData computePhysicalProperties(const ComponentData& component)
{
    PhysicalData result;
    for (const BodyData& body : component.bodies) {
        double signedVolume = 0.0;
        for (const FaceData& face : body.faces) {
            for (const MeshData& mesh : face.displayMeshes) {
                const std::vector<float>& xyz = mesh.nodeCoordinates;
                const std::size_t nodes = xyz.size() / 3;
                const std::vector<std::int32_t>& ix = mesh.nodeIndices;
                for (std::size_t t = 0; t + 2 < ix.size(); t += 3) {
                    bool inRange = true;
                    double p[3][3];
                    for (int k = 0; k < 3; ++k) {
                        const std::int32_t n = ix[t + static_cast<std::size_t>(k)];
                        if (n < 0 || static_cast<std::size_t>(n) >= nodes) {
                            inRange = false;
                            break;
                        }
                        for (int c = 0; c < 3; ++c)
                            p[k][c] = xyz[static_cast<std::size_t>(n) * 3 + static_cast<std::size_t>(c)];
                    }
                    if (!inRange)
                        continue;
                    const double u[3] = {p[1][0] - p[0][0], p[1][1] - p[0][1], p[1][2] - p[0][2]};
                    const double v[3] = {p[2][0] - p[0][0], p[2][1] - p[0][1], p[2][2] - p[0][2]};
                    const double cross[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                                             u[0] * v[1] - u[1] * v[0]};
                    result.area += 0.5 * std::sqrt(cross[0] * cross[0] + cross[1] * cross[1] + cross[2] * cross[2]);
                    // p0 · (p1 × p2) / 6: the signed volume of the tetrahedron
                    // from the origin; summed over a closed surface it is the
                    // enclosed volume, whatever the origin.
                    signedVolume += (p[0][0] * (p[1][1] * p[2][2] - p[1][2] * p[2][1]) +
                                     p[0][1] * (p[1][2] * p[2][0] - p[1][0] * p[2][2]) +
                                     p[0][2] * (p[1][0] * p[2][1] - p[1][1] * p[2][0])) /
                                    6.0;
                }
            }
        }
        // Per body, so that a body stored inside out does not subtract from
        // its sibling.
        result.volume += std::fabs(signedVolume);
    }
    return result;
}

// ---- Making a document -----------------------------------------------------------

namespace {

Ptr<PropertiesObject> makeProperties(std::vector<PropertyData>& properties);

Ptr<adsk::core::Property> makeProperty(PropertyData& p)
{
    switch (p.type) {
    case PropertyType::Color: {
        Ptr<AppearanceTextureObject> texture;
        if (p.hasTexture)
            texture = new AppearanceTextureObject(p.missing.textureProperties ? nullptr : makeProperties(p.texture));
        return new ColorPropertyObject(std::move(p.id), p.color, std::move(texture));
    }
    case PropertyType::Filename:
        return new ValuePropertyObject<adsk::core::FilenameProperty, std::string>(std::move(p.id), std::move(p.text));
    case PropertyType::Float:
        return new ValuePropertyObject<adsk::core::FloatProperty, double>(std::move(p.id), p.number);
    case PropertyType::Integer:
        return new ValuePropertyObject<adsk::core::IntegerProperty, int>(std::move(p.id), p.integer);
    case PropertyType::Boolean:
        return new ValuePropertyObject<adsk::core::BooleanProperty, bool>(std::move(p.id), p.boolean);
    case PropertyType::String:
        return new ValuePropertyObject<adsk::core::StringProperty, std::string>(std::move(p.id), std::move(p.text));
    }
    return nullptr;
}

Ptr<PropertiesObject> makeProperties(std::vector<PropertyData>& properties)
{
    Ptr<PropertiesObject> list = new PropertiesObject;
    list->items.reserve(properties.size());
    for (PropertyData& p : properties)
        list->items.push_back(makeProperty(p));
    return list;
}

class DocumentMaker {
public:
    explicit DocumentMaker(DesignData& design) : design_(design) {}

    Ptr<DocumentObject> make()
    {
        Ptr<DocumentObject> document = new DocumentObject;
        document->name_ = std::move(design_.name);

        for (AppearanceData& a : design_.appearances)
            appearances_.push_back(new AppearanceObject(std::move(a.id), std::move(a.name),
                                                        a.missing.properties ? nullptr : makeProperties(a.properties)));

        // Components first without their occurrences, which refer to them.
        components_.reserve(design_.components.size());
        for (ComponentData& c : design_.components)
            components_.push_back(makeComponent(c));
        for (std::size_t i = 0; i < components_.size(); ++i)
            if (components_[i]->occurrences_)
                fillOccurrences(*components_[i]->occurrences_, design_.components[i].occurrences);

        if (!design_.missing.products) {
            Ptr<ProductsObject> products = new ProductsObject;
            for (const ProductData& p : design_.products)
                products->items.push_back(makeProduct(p));
            document->products_ = products;
        }

        return document;
    }

private:
    Ptr<AppearanceObject> appearance(int index) const
    {
        return index == kNone ? nullptr : appearances_[static_cast<std::size_t>(index)];
    }

    Ptr<ComponentObject> component(int index) const
    {
        return index == kNone ? nullptr : components_[static_cast<std::size_t>(index)];
    }

    Ptr<ComponentObject> makeComponent(ComponentData& c)
    {
        Ptr<ComponentObject> component = new ComponentObject;
        component->name_ = std::move(c.name);
        if (!c.missing.physicalProperties)
            component->physical_ =
                new PhysicalPropertiesObject(c.physicalProperties ? *c.physicalProperties : computePhysicalProperties(c));
        if (!c.missing.occurrences)
            component->occurrences_ = new OccurrencesObject;
        if (!c.missing.bodies) {
            Ptr<BRepBodiesObject> bodies = new BRepBodiesObject;
            bodies->items.reserve(c.bodies.size());
            for (BodyData& b : c.bodies)
                bodies->items.push_back(makeBody(b));
            component->bodies_ = bodies;
        }
        return component;
    }

    Ptr<BRepBodyObject> makeBody(BodyData& b)
    {
        Ptr<BRepFacesObject> faces;
        if (!b.missing.faces) {
            faces = new BRepFacesObject;
            faces->items.reserve(b.faces.size());
            for (FaceData& f : b.faces)
                faces->items.push_back(makeFace(f));
        }
        return new BRepBodyObject(std::move(b.name), b.visible, appearance(b.appearance), std::move(faces));
    }

    Ptr<BRepFaceObject> makeFace(FaceData& f)
    {
        Ptr<MeshManagerObject> manager;
        if (!f.missing.meshManager) {
            Ptr<TriangleMeshListObject> meshes;
            if (!f.missing.displayMeshes) {
                meshes = new TriangleMeshListObject;
                meshes->items.reserve(f.displayMeshes.size());
                for (MeshData& m : f.displayMeshes)
                    meshes->items.push_back(new TriangleMeshObject(std::make_shared<const MeshData>(std::move(m))));
            }
            manager = new MeshManagerObject(std::move(meshes));
        }
        return new BRepFaceObject(appearance(f.appearance), std::move(manager));
    }

    void fillOccurrences(OccurrencesObject& list, const std::vector<OccurrenceData>& occurrences)
    {
        list.items.reserve(occurrences.size());
        for (const OccurrenceData& o : occurrences) {
            std::optional<Matrix4> transform;
            if (!o.missing.transform)
                transform = o.transform;
            list.items.push_back(new OccurrenceObject(component(o.component), o.visible, appearance(o.appearance), transform));
        }
    }

    Ptr<adsk::core::Product> makeProduct(const ProductData& p)
    {
        Ptr<UnitsManagerObject> units;
        if (!p.missing.unitsManager)
            units = new UnitsManagerObject(p.units);
        if (p.type == ProductType::Design)
            return new DesignObject(std::move(units), component(p.rootComponent));
        return new OtherProductObject(std::move(units));
    }

    DesignData& design_;
    std::vector<Ptr<AppearanceObject>> appearances_;
    std::vector<Ptr<ComponentObject>> components_;
};

} // namespace

Ptr<DocumentObject> makeDocument(DesignData&& design)
{
    return DocumentMaker(design).make();
}

} // namespace standin::host::detail
