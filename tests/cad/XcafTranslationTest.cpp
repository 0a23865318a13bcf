// XCAF documents built in code, translated: what real files do not show
// together (bodies from shells and loose faces, names made unique, colour
// precedence, hidden placements and assemblies) and display meshes that face
// the way the faces do.

#include <host/cad/src/CadDocument.h>
#include "CadTestSupport.h"

#include <BRepPrimAPI_MakeBox.hxx>
#include <BRepPrimAPI_MakeSphere.hxx>
#include <BRep_Builder.hxx>
#include <Quantity_Color.hxx>
#include <Quantity_ColorRGBA.hxx>
#include <TDataStd_Name.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Compound.hxx>
#include <XCAFDoc_ColorTool.hxx>
#include <XCAFDoc_DocumentTool.hxx>
#include <XCAFDoc_ShapeTool.hxx>
#include <gp_Ax2.hxx>

#include <cmath>

namespace {

using namespace cadtest;
namespace cad = standin::host::cad;

// A document made label by label, in millimetres as read files are.
class Built {
public:
    Built()
    {
        cad_.source = "built.step";
        cad_.name = "Built";
        shapes_ = XCAFDoc_DocumentTool::ShapeTool(cad_.document()->Main());
        colours_ = XCAFDoc_DocumentTool::ColorTool(cad_.document()->Main());
    }

    TDF_Label part(const TopoDS_Shape& shape, const char* name = nullptr) { return named(shapes_->AddShape(shape, false), name); }
    TDF_Label assembly(const char* name = nullptr) { return named(shapes_->NewShape(), name); }
    TDF_Label place(const TDF_Label& assembly, const TDF_Label& prototype, const char* name = nullptr)
    {
        return named(shapes_->AddComponent(assembly, prototype, TopLoc_Location()), name);
    }
    TDF_Label sub(const TDF_Label& part, const TopoDS_Shape& shape, const char* name = nullptr)
    {
        return named(shapes_->AddSubShape(part, shape), name);
    }
    void colour(const TDF_Label& label, double r, double g, double b, XCAFDoc_ColorType type = XCAFDoc_ColorSurf,
                float alpha = 1.0f)
    {
        colours_->SetColor(label, Quantity_ColorRGBA(Quantity_Color(r, g, b, Quantity_TOC_sRGB), alpha), type);
    }
    void hide(const TDF_Label& label) { colours_->SetVisibility(label, false); }

    sh::DesignData translate(sh::ImportOptions options = {})
    {
        shapes_->UpdateAssemblies();
        cad::triangulate(cad_, options);
        return cad::translateCadDocument(cad_, nullptr);
    }

private:
    static TDF_Label named(const TDF_Label& label, const char* name)
    {
        EXPECT_FALSE(label.IsNull());
        if (name)
            TDataStd_Name::Set(label, name);
        return label;
    }
    cad::CadDocument cad_;
    Handle(XCAFDoc_ShapeTool) shapes_;
    Handle(XCAFDoc_ColorTool) colours_;
};

TopoDS_Shape box(double x = 10, double y = 20, double z = 30)
{
    return BRepPrimAPI_MakeBox(x, y, z).Shape();
}

TopoDS_Shape moved(const TopoDS_Shape& shape, double x)
{
    gp_Trsf t;
    t.SetTranslation(gp_Vec(x, 0, 0));
    return shape.Moved(TopLoc_Location(t));
}

TopoDS_Shape compound(const std::vector<TopoDS_Shape>& shapes)
{
    TopoDS_Compound c;
    BRep_Builder b;
    b.MakeCompound(c);
    for (const TopoDS_Shape& s : shapes)
        b.Add(c, s);
    return c;
}

TopoDS_Shape nth(const TopoDS_Shape& shape, TopAbs_ShapeEnum type, int n)
{
    TopExp_Explorer it(shape, type);
    for (int i = 0; i < n; ++i)
        it.Next();
    return it.Current();
}

// Free shapes are placed by a root named after the document; unnamed and
// repeated names become readable and unique; solids (with their own names
// and colours), shells outside solids and loose faces each make bodies.
TEST(XcafStructure, NamesAndBodiesOfFreeShapes)
{
    Built built;
    built.part(box(), "Bracket");
    built.part(box(1, 2, 3), "Bracket");
    built.part(box(4, 4, 4));
    built.place(built.assembly("Clips"), built.part(box(5, 5, 5)), "clip_1");
    const TopoDS_Shape twoSolids = compound({box(), moved(box(), 40)});
    built.colour(built.sub(built.part(twoSolids, "Twins"), nth(twoSolids, TopAbs_SOLID, 0), "Lower"), 1, 0, 0);
    built.part(compound({box(), moved(nth(box(1, 1, 1), TopAbs_SHELL, 0), 50),
                         moved(nth(box(2, 2, 2), TopAbs_FACE, 0), 80), moved(nth(box(2, 2, 2), TopAbs_FACE, 1), 90)}),
               "Mixed");

    const sh::DesignData design = built.translate();
    std::vector<std::string> names;
    for (const auto& c : design.components)
        names.push_back(c.name);
    EXPECT_EQ(names, (std::vector<std::string>{"Built", "Bracket", "Bracket (2)", "Part 1", "Clips", "clip_1",
                                               "Twins", "Mixed"}));
    EXPECT_EQ(rootOf(design).occurrences.size(), 6u);
    const auto& twins = component(design, "Twins");
    ASSERT_EQ(twins.bodies.size(), 2u);
    EXPECT_EQ(twins.bodies[0].name, "Lower");
    EXPECT_EQ(twins.bodies[1].name, "Body2");
    EXPECT_EQ(appearanceId(design, twins.bodies[0].appearance), "rgb-ff0000") << "a solid's own colour";
    EXPECT_EQ(twins.bodies[1].appearance, sh::kNone);

    const auto& mixed = component(design, "Mixed");
    ASSERT_EQ(mixed.bodies.size(), 3u);
    EXPECT_EQ(mixed.bodies[0].faces.size(), 6u);
    EXPECT_EQ(mixed.bodies[1].faces.size(), 6u);
    EXPECT_EQ(mixed.bodies[2].faces.size(), 2u);
    // Volume only from the solid; area from all of them (cm² and cm³).
    ASSERT_TRUE(mixed.physicalProperties);
    EXPECT_NEAR(mixed.physicalProperties->volume, 6.0, 1e-9);
    EXPECT_NEAR(mixed.physicalProperties->area, 22.0 + 0.06 + 0.04 + 0.04, 1e-9);
}

// Which colour wins where a label has several or inherits one; transparency
// in the identifier; one appearance per colour.
TEST(XcafColours, SurfaceBeforeGenericTransparencyAndAssemblyColours)
{
    Built built;
    const TDF_Label both = built.part(box(), "Both");
    built.colour(both, 0, 0, 1, XCAFDoc_ColorGen);
    built.colour(both, 0, 1, 0, XCAFDoc_ColorSurf);
    const TDF_Label generic = built.part(box(1, 1, 1), "Generic");
    built.colour(generic, 0, 0, 1, XCAFDoc_ColorGen);
    const TDF_Label glass = built.part(box(2, 2, 2), "Glass");
    built.colour(glass, 0, 0, 1, XCAFDoc_ColorSurf, 0.5f);
    const TDF_Label sub = built.assembly("Painted");
    built.place(sub, generic);
    built.colour(sub, 1, 1, 0);
    const TDF_Label top = built.assembly("Top");
    for (const TDF_Label& part : {both, generic, glass})
        built.place(top, part);
    const TDF_Label own = built.place(top, sub);
    built.place(top, sub);
    built.colour(own, 1, 0, 1);
    built.colour(top, 0, 1, 1);

    const sh::DesignData design = built.translate();
    auto bodyColour = [&](const char* name) {
        return appearanceId(design, component(design, name).bodies.at(0).appearance);
    };
    EXPECT_EQ(bodyColour("Both"), "rgb-00ff00");
    EXPECT_EQ(bodyColour("Generic"), "rgb-0000ff");
    EXPECT_EQ(bodyColour("Glass"), "rgba-0000ff80");
    const auto& root = component(design, "Top");
    EXPECT_EQ(appearanceId(design, root.occurrences.at(3).appearance), "rgb-ff00ff") << "its own colour first";
    EXPECT_EQ(appearanceId(design, root.occurrences.at(4).appearance), "rgb-ffff00") << "the assembly's colour";
    EXPECT_EQ(appearanceId(design, root.occurrences.at(0).appearance), "rgb-00ffff") << "the top assembly's colour";
    EXPECT_EQ(std::count_if(design.appearances.begin(), design.appearances.end(),
                            [](const sh::AppearanceData& a) { return a.id == "rgb-0000ff"; }),
              1);
}

TEST(XcafVisibility, HiddenPlacementsAssembliesPartsAndSolidsTurnTheirLightBulbsOff)
{
    const TopoDS_Shape pair = compound({box(), moved(box(), 40)});
    Built built;
    const TDF_Label twins = built.part(pair, "Twins");
    built.hide(built.sub(twins, nth(pair, TopAbs_SOLID, 1)));
    const TDF_Label ghost = built.part(box(), "Ghost");
    built.hide(ghost);
    const TDF_Label inner = built.assembly("Inner");
    built.place(inner, ghost);
    built.hide(inner);
    const TDF_Label top = built.assembly("Top");
    built.place(top, twins);
    built.hide(built.place(top, twins));
    built.place(top, inner);

    const sh::DesignData design = built.translate();
    const auto& root = component(design, "Top");
    EXPECT_TRUE(root.occurrences.at(0).visible);
    EXPECT_FALSE(root.occurrences.at(1).visible) << "hidden placement";
    EXPECT_FALSE(root.occurrences.at(2).visible) << "hidden assembly";
    const auto& twinBodies = component(design, "Twins").bodies;
    ASSERT_EQ(twinBodies.size(), 2u);
    EXPECT_TRUE(twinBodies[0].visible);
    EXPECT_FALSE(twinBodies[1].visible) << "hidden solid";
    EXPECT_FALSE(component(design, "Ghost").bodies.at(0).visible);
}

// Every triangle faces outwards, agreeing with its node normals, whatever
// the face's orientation and even under a mirroring location; curved faces
// keep within the deflection (given in millimetres).
TEST(XcafMeshes, TrianglesAndNormalsFaceOutwardsAlsoUnderAMirrorWithinTheDeflection)
{
    gp_Trsf mirror;
    mirror.SetMirror(gp_Ax2(gp_Pnt(0, 0, 0), gp_Dir(1, 0, 0)));
    const double radius = 40, deflection = 0.05; // mm
    Built built;
    built.part(box(), "Plain");
    // Shapes refuse mirroring locations unless told not to raise; files can
    // still bring them.
    built.part(box().Moved(TopLoc_Location(mirror), Standard_False), "Mirrored");
    built.part(BRepPrimAPI_MakeSphere(radius).Shape(), "Ball");
    sh::ImportOptions options;
    options.deflection = deflection;
    const sh::DesignData design = built.translate(options);

    const std::vector<std::pair<const char*, std::array<double, 3>>> centres = {
        {"Plain", {0.5, 1.0, 1.5}}, {"Mirrored", {-0.5, 1.0, 1.5}}, {"Ball", {0, 0, 0}}};
    for (const auto& [name, centre] : centres) {
        SCOPED_TRACE(name);
        std::size_t triangles = 0;
        double closest = 1e300; // of a triangle's centre to the sphere's
        for (const sh::FaceData& face : component(design, name).bodies.at(0).faces) {
            ASSERT_EQ(face.displayMeshes.size(), 1u);
            const sh::MeshData& m = face.displayMeshes[0];
            ASSERT_EQ(m.normalVectors.size(), m.nodeCoordinates.size());
            ASSERT_EQ(m.textureCoordinates.size() / 2, m.nodeCoordinates.size() / 3);
            auto node = [&](std::size_t t, int k) {
                const std::size_t at = static_cast<std::size_t>(m.nodeIndices[t + static_cast<std::size_t>(k)]) * 3;
                return std::array<double, 3>{m.nodeCoordinates[at], m.nodeCoordinates[at + 1], m.nodeCoordinates[at + 2]};
            };
            for (std::size_t t = 0; t + 2 < m.nodeIndices.size(); t += 3, ++triangles) {
                const auto p0 = node(t, 0), p1 = node(t, 1), p2 = node(t, 2);
                const std::array<double, 3> e1{p1[0] - p0[0], p1[1] - p0[1], p1[2] - p0[2]};
                const std::array<double, 3> e2{p2[0] - p0[0], p2[1] - p0[1], p2[2] - p0[2]};
                const std::array<double, 3> n{e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                                              e1[0] * e2[1] - e1[1] * e2[0]};
                double out = 0, agree = 0, fromCentre = 0;
                for (std::size_t c = 0; c < 3; ++c) {
                    const double mid = (p0[c] + p1[c] + p2[c]) / 3 - centre[c];
                    out += n[c] * mid;
                    agree += n[c] * m.normalVectors[static_cast<std::size_t>(m.nodeIndices[t]) * 3 + c];
                    fromCentre += mid * mid;
                }
                closest = std::min(closest, std::sqrt(fromCentre));
                // Triangles squeezed to nothing at a sphere's poles face nowhere.
                if (std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]) < 1e-12)
                    continue;
                EXPECT_GT(out, 0) << "triangle " << t / 3 << " faces inwards";
                EXPECT_GT(agree, 0) << "triangle " << t / 3 << " against its normals";
            }
        }
        EXPECT_GT(triangles, 0u);
        if (std::string(name) == "Ball") {
            EXPECT_GE(closest, (radius - deflection * 1.05) / 10) << "further from the surface than the deflection";
        }
    }
}

} // namespace
