// An XCAF document as the host's design data.
//
// Prototypes (the document's top-level shape labels) become components,
// each once however often it is placed; references become occurrences.
// Colours and visibility are read on every label that may carry them:
// references (occurrence), assemblies (every occurrence placing them), parts
// and solids (body), faces and other sub-shapes (face).

#include "CadDocument.h"
#include "ViewFit.h"

#include <StandIn/DesignLoader.h>

#include <BRepBndLib.hxx>
#include <BRepGProp.hxx>
#include <BRepGProp_Domain.hxx>
#include <BRepGProp_Face.hxx>
#include <BRepGProp_Vinert.hxx>
#include <BRepTools.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <Bnd_Box.hxx>
#include <GProp_GProps.hxx>
#include <NCollection_DataMap.hxx>
#include <OSD_Parallel.hxx>
#include <Poly_Triangulation.hxx>
#include <Quantity_ColorRGBA.hxx>
#include <Standard_Failure.hxx>
#include <TCollection_AsciiString.hxx>
#include <TDF_LabelMapHasher.hxx>
#include <TDF_LabelSequence.hxx>
#include <TDF_Tool.hxx>
#include <TDataStd_Name.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_ShapeMapHasher.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Compound.hxx>
#include <TopoDS_Iterator.hxx>
#include <XCAFDoc_ColorTool.hxx>
#include <XCAFDoc_DocumentTool.hxx>
#include <XCAFDoc_ShapeTool.hxx>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>
#include <utility>

namespace standin::host::cad {

namespace {

using ShapeIndex = NCollection_DataMap<TopoDS_Shape, int, TopTools_ShapeMapHasher>;

// The name on a label, or empty when it has none worth showing: XCAF names
// unnamed references after the label they point to ("=>[0:1:1:2]") and
// other unnamed shapes after their type ("COMPOUND", "ASSEMBLY").
std::string labelName(const TDF_Label& label)
{
    Handle(TDataStd_Name) attribute;
    if (!label.FindAttribute(TDataStd_Name::GetID(), attribute))
        return {};
    // A null replacement character asks for UTF-8.
    std::string name = TCollection_AsciiString(attribute->Get(), '\0').ToCString();
    const auto blank = [](unsigned char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!name.empty() && blank(static_cast<unsigned char>(name.back())))
        name.pop_back();
    std::size_t start = 0;
    while (start < name.size() && blank(static_cast<unsigned char>(name[start])))
        ++start;
    name.erase(0, start);
    if (name.rfind("=>[", 0) == 0)
        return {};
    static const char* const kTypeNames[] = {"COMPOUND", "COMPSOLID", "SOLID", "SHELL", "FACE",
                                             "WIRE",     "EDGE",      "VERTEX", "SHAPE", "ASSEMBLY"};
    for (const char* type : kTypeNames)
        if (name == type)
            return {};
    return name;
}

short channel(double value)
{
    return static_cast<short>(std::lround(std::clamp(value, 0.0, 1.0) * 255.0));
}

// STEP and IGES colours are read as sRGB values; Quantity_Color keeps them
// linear inside, so they are asked for as sRGB to get the file's values.
Rgba rgbaOf(const Quantity_ColorRGBA& colour)
{
    Standard_Real r = 0, g = 0, b = 0;
    colour.GetRGB().Values(r, g, b, Quantity_TOC_sRGB);
    return Rgba{channel(r), channel(g), channel(b), channel(colour.Alpha())};
}

class XcafTranslator {
public:
    XcafTranslator(const CadDocument& cad, ImportMonitor* monitor)
        : cad_(cad), monitor_(monitor),
          shapes_(XCAFDoc_DocumentTool::ShapeTool(cad.document()->Main())),
          colours_(XCAFDoc_DocumentTool::ColorTool(cad.document()->Main()))
    {
    }

    DesignData run()
    {
        design_.name = cad_.name;
        design_.host.modelingOrientation = adsk::core::ZUpModelingOrientation;

        TDF_LabelSequence free;
        shapes_->GetFreeShapes(free);
        std::vector<TDF_Label> roots;
        for (const TDF_Label& label : free)
            if (!XCAFDoc_ShapeTool::GetShape(label).IsNull())
                roots.push_back(label);
        if (roots.empty())
            throw DesignError(cad_.source, "", "no shapes in the file");

        countParts(roots);
        if (monitor_)
            monitor_->begin("building the design", partsTotal_);

        int root = kNone;
        if (roots.size() == 1) {
            root = component(roots.front(), cad_.name);
            // The top assembly is placed nowhere; its colour goes to its
            // placements that have none of their own.
            const int colour = XCAFDoc_ShapeTool::IsAssembly(roots.front()) ? appearanceOn(roots.front()) : kNone;
            for (OccurrenceData& occurrence : design_.components[static_cast<std::size_t>(root)].occurrences)
                if (occurrence.appearance == kNone)
                    occurrence.appearance = colour;
        } else {
            // Several shapes side by side: a root component places each.
            root = newComponent(cad_.name);
            for (const TDF_Label& label : roots) {
                const int placed = component(label, "");
                OccurrenceData occurrence;
                occurrence.component = placed;
                if (XCAFDoc_ShapeTool::IsAssembly(label)) {
                    occurrence.visible = colours_->IsVisible(label);
                    occurrence.appearance = appearanceOn(label);
                }
                design_.components[static_cast<std::size_t>(root)].occurrences.push_back(occurrence);
            }
            design_.components[static_cast<std::size_t>(root)].physicalProperties = PhysicalData{};
        }
        if (monitor_)
            monitor_->end();

        ProductData product;
        product.units = cad_.lengthUnit;
        product.rootComponent = root;
        design_.products.push_back(product);
        design_.host.viewport = view(roots);

        if (facesWithoutMesh_ > 0 && monitor_)
            monitor_->warning(std::to_string(facesWithoutMesh_) + " of " + std::to_string(facesTotal_) +
                              " faces have no triangulation and no display mesh");
        return std::move(design_);
    }

    double physicalSeconds() const { return physicalSeconds_; }

private:
    void countParts(const std::vector<TDF_Label>& roots)
    {
        std::set<std::string> seen;
        std::vector<TDF_Label> stack(roots.begin(), roots.end());
        while (!stack.empty()) {
            TDF_Label label = stack.back();
            stack.pop_back();
            TCollection_AsciiString entry;
            TDF_Tool::Entry(label, entry);
            if (!seen.insert(entry.ToCString()).second)
                continue;
            if (!XCAFDoc_ShapeTool::IsAssembly(label)) {
                ++partsTotal_;
                continue;
            }
            TDF_LabelSequence children;
            XCAFDoc_ShapeTool::GetComponents(label, children, false);
            for (const TDF_Label& child : children) {
                TDF_Label referred;
                if (XCAFDoc_ShapeTool::GetReferredShape(child, referred))
                    stack.push_back(referred);
            }
        }
    }

    // The component of a prototype, made on first meeting. `fallback`
    // names it when the label has no name (the name of a reference placing
    // it, or the document's for the only root).
    int component(const TDF_Label& label, const std::string& fallback)
    {
        if (components_.IsBound(label))
            return components_.Find(label);
        if (inProgress_.IsBound(label))
            throw DesignError(cad_.source, "", "an assembly contains itself");
        inProgress_.Bind(label, 0);

        const bool assembly = XCAFDoc_ShapeTool::IsAssembly(label);
        std::string name = labelName(label);
        if (name.empty())
            name = fallback;
        if (name.empty())
            name = (assembly ? "Assembly " : "Part ") + std::to_string(++unnamed_);
        const int index = newComponent(name);
        if (assembly)
            fillAssembly(index, label);
        else
            fillPart(index, label);

        inProgress_.UnBind(label);
        components_.Bind(label, index);
        return index;
    }

    int newComponent(const std::string& name)
    {
        ComponentData data;
        data.name = uniqueName(name, componentNames_);
        data.key = data.name;
        design_.components.push_back(std::move(data));
        return static_cast<int>(design_.components.size() - 1);
    }

    // The host keeps component names unique within a design; so does the
    // change detection, which tells components apart by name.
    static std::string uniqueName(const std::string& name, std::map<std::string, int>& used)
    {
        int& count = used[name];
        ++count;
        if (count == 1)
            return name;
        for (;;) {
            std::string candidate = name + " (" + std::to_string(count) + ")";
            if (used.find(candidate) == used.end()) {
                used[candidate] = 1;
                return candidate;
            }
            ++count;
        }
    }

    void fillAssembly(int index, const TDF_Label& label)
    {
        TDF_LabelSequence children;
        XCAFDoc_ShapeTool::GetComponents(label, children, false);
        std::vector<OccurrenceData> occurrences;
        for (const TDF_Label& child : children) {
            TDF_Label referred;
            if (!XCAFDoc_ShapeTool::GetReferredShape(child, referred))
                continue;
            OccurrenceData occurrence;
            occurrence.component = component(referred, labelName(child));
            occurrence.transform = matrix(XCAFDoc_ShapeTool::GetLocation(child).Transformation());
            // A hidden or coloured assembly is hidden or coloured wherever
            // it is placed; a colour on the placement itself comes first.
            occurrence.visible = colours_->IsVisible(child) &&
                                 (!XCAFDoc_ShapeTool::IsAssembly(referred) || colours_->IsVisible(referred));
            occurrence.appearance = appearanceOn(child);
            if (occurrence.appearance == kNone && XCAFDoc_ShapeTool::IsAssembly(referred))
                occurrence.appearance = appearanceOn(referred);
            occurrences.push_back(occurrence);
        }
        ComponentData& data = design_.components[static_cast<std::size_t>(index)];
        data.occurrences = std::move(occurrences);
        data.physicalProperties = PhysicalData{};
    }

    void fillPart(int index, const TDF_Label& label)
    {
        const TopoDS_Shape shape = XCAFDoc_ShapeTool::GetShape(label);
        const int partAppearance = appearanceOn(label);
        const bool partVisible = colours_->IsVisible(label);

        // Bodies: each solid, each shell outside solids, and the faces
        // outside shells together.
        std::vector<TopoDS_Shape> bodies;
        for (TopExp_Explorer it(shape, TopAbs_SOLID); it.More(); it.Next())
            bodies.push_back(it.Current());
        for (TopExp_Explorer it(shape, TopAbs_SHELL, TopAbs_SOLID); it.More(); it.Next())
            bodies.push_back(it.Current());
        {
            TopoDS_Compound loose;
            BRep_Builder builder;
            builder.MakeCompound(loose);
            bool any = false;
            for (TopExp_Explorer it(shape, TopAbs_FACE, TopAbs_SHELL); it.More(); it.Next()) {
                builder.Add(loose, it.Current());
                any = true;
            }
            if (any)
                bodies.push_back(loose);
        }
        ShapeIndex bodyIndex;
        for (std::size_t i = 0; i < bodies.size(); ++i)
            bodyIndex.Bind(bodies[i], static_cast<int>(i));

        // What sub-shape labels say: names, colours and visibility of
        // bodies; colours of faces, those on faces themselves over those on
        // any other sub-shape holding them.
        std::vector<std::string> bodyNames(bodies.size());
        std::vector<int> bodyAppearance(bodies.size(), partAppearance);
        std::vector<bool> bodyVisible(bodies.size(), partVisible);
        ShapeIndex faceAppearance;
        TDF_LabelSequence subLabels;
        XCAFDoc_ShapeTool::GetSubShapes(label, subLabels);
        std::vector<std::pair<TopoDS_Shape, int>> faceColours;
        for (const TDF_Label& sub : subLabels) {
            const TopoDS_Shape subShape = XCAFDoc_ShapeTool::GetShape(sub);
            if (subShape.IsNull())
                continue;
            const int appearance = appearanceOn(sub);
            if (bodyIndex.IsBound(subShape)) {
                const auto b = static_cast<std::size_t>(bodyIndex.Find(subShape));
                bodyNames[b] = labelName(sub);
                if (appearance != kNone)
                    bodyAppearance[b] = appearance;
                if (!colours_->IsVisible(sub))
                    bodyVisible[b] = false;
            } else if (appearance != kNone) {
                if (subShape.ShapeType() == TopAbs_FACE) {
                    faceColours.emplace_back(subShape, appearance);
                } else {
                    for (TopExp_Explorer it(subShape, TopAbs_FACE); it.More(); it.Next())
                        if (!faceAppearance.IsBound(it.Current()))
                            faceAppearance.Bind(it.Current(), appearance);
                }
            }
        }
        for (const auto& [face, appearance] : faceColours)
            faceAppearance.Bind(face, appearance);

        std::vector<BodyData> made;
        std::map<std::string, int> names;
        for (std::size_t b = 0; b < bodies.size(); ++b) {
            BodyData body;
            const std::string given = bodyNames[b].empty() ? "Body" + std::to_string(b + 1) : bodyNames[b];
            body.name = uniqueName(given, names);
            body.visible = bodyVisible[b];
            body.appearance = bodyAppearance[b];
            for (TopExp_Explorer it(bodies[b], TopAbs_FACE); it.More(); it.Next()) {
                const TopoDS_Face& face = TopoDS::Face(it.Current());
                FaceData faceData;
                if (faceAppearance.IsBound(face))
                    faceData.appearance = faceAppearance.Find(face);
                MeshData mesh;
                ++facesTotal_;
                if (faceMesh(face, mesh))
                    faceData.displayMeshes.push_back(std::move(mesh));
                else
                    ++facesWithoutMesh_;
                body.faces.push_back(std::move(faceData));
            }
            made.push_back(std::move(body));
        }

        const auto integrating = std::chrono::steady_clock::now();
        PhysicalData properties;
        try {
            properties = physical(bodies);
        } catch (const Standard_Failure& failure) {
            // Unknown figures: the change detection then sends the part
            // every time, which is safe.
            properties = PhysicalData{std::nan(""), std::nan("")};
            if (monitor_)
                monitor_->warning("the area and volume of \"" + design_.components[static_cast<std::size_t>(index)].name +
                                  "\" could not be computed: " +
                                  (failure.GetMessageString() && *failure.GetMessageString()
                                       ? failure.GetMessageString()
                                       : failure.DynamicType()->Name()));
        }
        physicalSeconds_ += std::chrono::duration<double>(std::chrono::steady_clock::now() - integrating).count();
        ComponentData& data = design_.components[static_cast<std::size_t>(index)];
        data.bodies = std::move(made);
        data.physicalProperties = properties;
        if (monitor_)
            monitor_->advance(++partsDone_);
    }

    // Exact area of every face and volume of every solid, from the
    // geometry rather than the triangulation, so that they do not depend on
    // the deflection. The faces are integrated in parallel and summed in
    // their order, so that the figures are the same on every run.
    PhysicalData physical(const std::vector<TopoDS_Shape>& bodies) const
    {
        struct Face {
            TopoDS_Shape face;
            std::size_t body = 0;
            double area = 0;
            double volume = 0;
        };
        std::vector<Face> faces;
        // Volumes are integrated about the average of the solid's vertices,
        // as BRepGProp does: the quadrature is the more exact the nearer the
        // point, and the figure does not depend on where the part sits.
        std::vector<gp_Pnt> centres(bodies.size());
        for (std::size_t b = 0; b < bodies.size(); ++b) {
            gp_XYZ sum(0, 0, 0);
            int vertices = 0;
            for (TopExp_Explorer it(bodies[b], TopAbs_VERTEX); it.More(); it.Next(), ++vertices)
                sum += BRep_Tool::Pnt(TopoDS::Vertex(it.Current())).XYZ();
            centres[b] = gp_Pnt(vertices > 0 ? sum / vertices : sum);
            for (TopExp_Explorer it(bodies[b], TopAbs_FACE); it.More(); it.Next())
                faces.push_back(Face{it.Current(), b, 0, 0});
        }
        const auto integrate = [&faces, &bodies, &centres](int i) {
            Face& f = faces[static_cast<std::size_t>(i)];
            GProp_GProps surface;
            BRepGProp::SurfaceProperties(f.face, surface);
            f.area = surface.Mass();
            // A face's share of its solid's volume, signed by the face's
            // orientation in the solid, as BRepGProp::VolumeProperties sums
            // it for a whole solid (which gives nothing for a lone face).
            const TopoDS_Face& face = TopoDS::Face(f.face);
            if (bodies[f.body].ShapeType() == TopAbs_SOLID && BRep_Tool::IsGeometric(face)) {
                BRepGProp_Face integrand(face);
                const gp_Pnt& origin = centres[f.body];
                if (TopoDS_Iterator(face).More()) {
                    BRepGProp_Domain domain(face);
                    f.volume = BRepGProp_Vinert(integrand, domain, origin).Mass();
                } else {
                    f.volume = BRepGProp_Vinert(integrand, origin).Mass(); // bounded by its surface alone
                }
            }
        };
        OSD_Parallel::For(0, static_cast<int>(faces.size()), integrate);

        double area = 0, volume = 0;
        std::vector<double> solids(bodies.size(), 0.0);
        for (const Face& f : faces) {
            area += f.area;
            solids[f.body] += f.volume;
        }
        for (double v : solids)
            volume += std::fabs(v);
        const double cm = cad_.centimetresPerUnit;
        return PhysicalData{area * cm * cm, volume * cm * cm * cm};
    }

    // The face's triangulation as a display mesh in centimetres, wound and
    // facing as the face is oriented (a reversed face and a mirroring
    // location each turn the triangles over), texture coordinates scaled to
    // the face's parameter range. False when the face has no triangulation
    // or a broken one.
    bool faceMesh(const TopoDS_Face& face, MeshData& mesh) const
    {
        TopLoc_Location location;
        const Handle(Poly_Triangulation)& triangulation = BRep_Tool::Triangulation(face, location);
        if (triangulation.IsNull() || triangulation->NbTriangles() <= 0 || triangulation->NbNodes() <= 0)
            return false;
        const int nodes = triangulation->NbNodes();
        const int triangles = triangulation->NbTriangles();
        const gp_Trsf trsf = location.Transformation();
        const bool identity = location.IsIdentity();
        const bool reversed = face.Orientation() == TopAbs_REVERSED;
        const bool flip = reversed != trsf.IsNegative();
        const double cm = cad_.centimetresPerUnit;

        mesh.nodeIndices.resize(static_cast<std::size_t>(triangles) * 3);
        for (int t = 1; t <= triangles; ++t) {
            int a = 0, b = 0, c = 0;
            triangulation->Triangle(t).Get(a, b, c);
            if (a < 1 || b < 1 || c < 1 || a > nodes || b > nodes || c > nodes)
                return false;
            if (flip)
                std::swap(b, c);
            std::int32_t* out = &mesh.nodeIndices[static_cast<std::size_t>(t - 1) * 3];
            out[0] = a - 1;
            out[1] = b - 1;
            out[2] = c - 1;
        }

        mesh.nodeCoordinates.resize(static_cast<std::size_t>(nodes) * 3);
        for (int i = 1; i <= nodes; ++i) {
            gp_Pnt p = triangulation->Node(i);
            if (!identity)
                p.Transform(trsf);
            float* out = &mesh.nodeCoordinates[static_cast<std::size_t>(i - 1) * 3];
            out[0] = static_cast<float>(p.X() * cm);
            out[1] = static_cast<float>(p.Y() * cm);
            out[2] = static_cast<float>(p.Z() * cm);
        }

        if (triangulation->HasNormals()) {
            mesh.normalVectors.resize(static_cast<std::size_t>(nodes) * 3);
            for (int i = 1; i <= nodes; ++i) {
                gp_Dir n = triangulation->Normal(i);
                if (!identity)
                    n.Transform(trsf);
                const double sign = reversed ? -1.0 : 1.0;
                float* out = &mesh.normalVectors[static_cast<std::size_t>(i - 1) * 3];
                out[0] = static_cast<float>(sign * n.X());
                out[1] = static_cast<float>(sign * n.Y());
                out[2] = static_cast<float>(sign * n.Z());
            }
        }

        if (triangulation->HasUVNodes()) {
            Standard_Real u0 = 0, u1 = 1, v0 = 0, v1 = 1;
            BRepTools::UVBounds(face, u0, u1, v0, v1);
            const double du = u1 - u0 > 1e-12 ? u1 - u0 : 1.0;
            const double dv = v1 - v0 > 1e-12 ? v1 - v0 : 1.0;
            mesh.textureCoordinates.resize(static_cast<std::size_t>(nodes) * 2);
            for (int i = 1; i <= nodes; ++i) {
                const gp_Pnt2d uv = triangulation->UVNode(i);
                float* out = &mesh.textureCoordinates[static_cast<std::size_t>(i - 1) * 2];
                out[0] = static_cast<float>((uv.X() - u0) / du);
                out[1] = static_cast<float>((uv.Y() - v0) / dv);
            }
        }
        return true;
    }

    // Row-major with the translation in column 3, in centimetres.
    Matrix4 matrix(const gp_Trsf& trsf) const
    {
        Matrix4 m = identityMatrix();
        for (int row = 0; row < 3; ++row)
            for (int column = 0; column < 4; ++column)
                m[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] = trsf.Value(row + 1, column + 1);
        for (std::size_t row = 0; row < 3; ++row)
            m[row][3] *= cad_.centimetresPerUnit;
        return m;
    }

    // The colour on a label, surface colour before the generic one, as an
    // appearance index; kNone without either.
    int appearanceOn(const TDF_Label& label)
    {
        Quantity_ColorRGBA colour;
        if (!colours_->GetColor(label, XCAFDoc_ColorSurf, colour) &&
            !colours_->GetColor(label, XCAFDoc_ColorGen, colour))
            return kNone;
        return appearance(rgbaOf(colour));
    }

    int appearance(const Rgba& rgba)
    {
        char id[24];
        char name[48];
        if (rgba.opacity == 255) {
            std::snprintf(id, sizeof id, "rgb-%02x%02x%02x", rgba.red, rgba.green, rgba.blue);
            std::snprintf(name, sizeof name, "RGB %d, %d, %d", rgba.red, rgba.green, rgba.blue);
        } else {
            std::snprintf(id, sizeof id, "rgba-%02x%02x%02x%02x", rgba.red, rgba.green, rgba.blue, rgba.opacity);
            std::snprintf(name, sizeof name, "RGBA %d, %d, %d, %d", rgba.red, rgba.green, rgba.blue, rgba.opacity);
        }
        const auto found = appearances_.find(id);
        if (found != appearances_.end())
            return found->second;
        AppearanceData data;
        data.id = id;
        data.name = name;
        data.properties.push_back(colorProperty("generic_diffuse", rgba));
        design_.appearances.push_back(std::move(data));
        const int index = static_cast<int>(design_.appearances.size() - 1);
        appearances_.emplace(id, index);
        return index;
    }

    std::optional<CameraData> view(const std::vector<TDF_Label>& roots) const
    {
        Bnd_Box box;
        for (const TDF_Label& label : roots)
            BRepBndLib::Add(XCAFDoc_ShapeTool::GetShape(label), box, true);
        if (box.IsVoid())
            return defaultView(adsk::core::ZUpModelingOrientation);
        Standard_Real x0, y0, z0, x1, y1, z1;
        box.Get(x0, y0, z0, x1, y1, z1);
        const double cm = cad_.centimetresPerUnit;
        return fitView(adsk::core::ZUpModelingOrientation, {x0 * cm, y0 * cm, z0 * cm}, {x1 * cm, y1 * cm, z1 * cm});
    }

    const CadDocument& cad_;
    ImportMonitor* monitor_;
    Handle(XCAFDoc_ShapeTool) shapes_;
    Handle(XCAFDoc_ColorTool) colours_;
    DesignData design_;
    NCollection_DataMap<TDF_Label, int, TDF_LabelMapHasher> components_;
    NCollection_DataMap<TDF_Label, int, TDF_LabelMapHasher> inProgress_;
    std::map<std::string, int> componentNames_;
    std::map<std::string, int> appearances_;
    int unnamed_ = 0;
    std::size_t partsTotal_ = 0;
    std::size_t partsDone_ = 0;
    std::size_t facesTotal_ = 0;
    std::size_t facesWithoutMesh_ = 0;
    double physicalSeconds_ = 0;
};

} // namespace

DesignData translateCadDocument(const CadDocument& document, ImportMonitor* monitor, CadTranslationTimes* times)
{
    const auto start = std::chrono::steady_clock::now();
    XcafTranslator translator(document, monitor);
    DesignData design = translator.run();
    if (times) {
        times->physicalSeconds = translator.physicalSeconds();
        times->totalSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    return design;
}

} // namespace standin::host::cad
