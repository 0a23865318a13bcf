// XCAF documents built in code, translated: structure, names, colours at
// every level, light bulbs, physical properties, and display meshes that
// face the way the faces do.

#include "CadDocument.h"
#include "CadTestSupport.h"

#include <BRepBuilderAPI_Transform.hxx>
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
#include <gp_Ax1.hxx>
#include <gp_Ax2.hxx>

#include <cmath>

namespace {

using namespace cadtest;
namespace cad = standin::host::cad;

constexpr double kPi = 3.14159265358979323846;

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

    TDF_Label part(const TopoDS_Shape& shape, const char* name = nullptr)
    {
        const TDF_Label label = shapes_->AddShape(shape, false);
        if (name)
            TDataStd_Name::Set(label, name);
        return label;
    }
    TDF_Label assembly(const char* name = nullptr)
    {
        const TDF_Label label = shapes_->NewShape();
        if (name)
            TDataStd_Name::Set(label, name);
        return label;
    }
    TDF_Label place(const TDF_Label& assembly, const TDF_Label& prototype, const gp_Trsf& trsf = gp_Trsf(),
                    const char* name = nullptr)
    {
        const TDF_Label label = shapes_->AddComponent(assembly, prototype, TopLoc_Location(trsf));
        if (name)
            TDataStd_Name::Set(label, name);
        return label;
    }
    TDF_Label sub(const TDF_Label& part, const TopoDS_Shape& shape, const char* name = nullptr)
    {
        const TDF_Label label = shapes_->AddSubShape(part, shape);
        EXPECT_FALSE(label.IsNull());
        if (name)
            TDataStd_Name::Set(label, name);
        return label;
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
        options.monitor = &monitor;
        cad::triangulate(cad_, options);
        return cad::translateCadDocument(cad_, &monitor);
    }

    RecordingMonitor monitor;

private:
    cad::CadDocument cad_;
    Handle(XCAFDoc_ShapeTool) shapes_;
    Handle(XCAFDoc_ColorTool) colours_;
};

TopoDS_Shape box(double x = 10, double y = 20, double z = 30)
{
    return BRepPrimAPI_MakeBox(x, y, z).Shape();
}

gp_Trsf translation(double x, double y, double z)
{
    gp_Trsf t;
    t.SetTranslation(gp_Vec(x, y, z));
    return t;
}

TopoDS_Face nthFace(const TopoDS_Shape& shape, int n)
{
    TopExp_Explorer it(shape, TopAbs_FACE);
    for (int i = 0; i < n; ++i)
        it.Next();
    return TopoDS::Face(it.Current());
}

Box expected(std::array<double, 3> min, std::array<double, 3> max)
{
    Box b;
    b.include(min);
    b.include(max);
    return b;
}

// Two of box() as one shape, the second 40 mm above the first.
TopoDS_Shape twoBoxes()
{
    TopoDS_Compound c;
    BRep_Builder b;
    b.MakeCompound(c);
    b.Add(c, box());
    b.Add(c, box().Moved(TopLoc_Location(translation(0, 0, 40))));
    return c;
}

// Parts placed many times in nested assemblies: one component per part or
// assembly, one occurrence per placement, transforms in centimetres.
TEST(XcafStructure, NestedPlacementsShareComponentsAndCarryTransformsInCentimetres)
{
    Built built;
    const TDF_Label brick = built.part(box(), "Brick");
    const TDF_Label pair = built.assembly("Pair");
    built.place(pair, brick);
    built.place(pair, brick, translation(20, 0, 0));
    const TDF_Label top = built.assembly("Top");
    built.place(top, pair, translation(100, 0, 0));
    gp_Trsf turned;
    turned.SetRotation(gp_Ax1(gp_Pnt(0, 0, 0), gp_Dir(0, 0, 1)), kPi / 2);
    turned.SetTranslationPart(gp_Vec(0, 50, 0));
    built.place(top, pair, turned);

    const sh::DesignData design = built.translate();
    ASSERT_EQ(design.components.size(), 3u);
    const auto& root = rootOf(design);
    EXPECT_EQ(root.name, "Top");
    ASSERT_EQ(root.occurrences.size(), 2u);
    EXPECT_EQ(root.occurrences[0].component, root.occurrences[1].component);
    EXPECT_EQ(design.components.at(static_cast<std::size_t>(root.occurrences[0].component)).occurrences.size(), 2u);
    EXPECT_EQ(root.occurrences[1].transform[3], (std::array<double, 4>{0, 0, 0, 1}));

    // The four bricks in the world, worked out by hand: 1 x 2 x 3 cm each
    // (the turned pair 50 mm along y is 5 cm there).
    const std::vector<Box> want = {
        expected({10, 0, 0}, {11, 2, 3}), expected({12, 0, 0}, {13, 2, 3}),
        expected({-2, 5, 0}, {0, 6, 3}), expected({-2, 7, 0}, {0, 8, 3})};
    const std::vector<PlacedBody> placed = placedBodies(design);
    ASSERT_EQ(placed.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(placed[i].component, "Brick");
        EXPECT_LT(placed[i].box.distance(want[i]), 1e-5) << "brick " << i;
    }
    EXPECT_EQ(design.products.at(0).units, "mm");
    EXPECT_EQ(design.host.modelingOrientation, adsk::core::ZUpModelingOrientation);
}

TEST(XcafStructure, SeveralFreeShapesArePlacedByARootNamedAfterTheDocument)
{
    Built built;
    built.part(box(), "A");
    built.part(box(5, 5, 5), "B");
    const sh::DesignData design = built.translate();
    const auto& root = rootOf(design);
    EXPECT_EQ(root.name, "Built");
    EXPECT_TRUE(root.bodies.empty());
    ASSERT_EQ(root.occurrences.size(), 2u);
    EXPECT_EQ(design.components.at(static_cast<std::size_t>(root.occurrences[1].component)).name, "B");
}

// Solids, shells outside solids and loose faces each make bodies.
TEST(XcafStructure, SolidsShellsAndLooseFacesBecomeBodies)
{
    const TopoDS_Shape solid = box();
    TopoDS_Shape shell;
    for (TopExp_Explorer it(box(1, 1, 1), TopAbs_SHELL); it.More(); it.Next())
        shell = it.Current();
    TopoDS_Compound compound;
    BRep_Builder builder;
    builder.MakeCompound(compound);
    builder.Add(compound, solid);
    builder.Add(compound, shell.Moved(TopLoc_Location(translation(50, 0, 0))));
    builder.Add(compound, nthFace(box(2, 2, 2), 0).Moved(TopLoc_Location(translation(80, 0, 0))));
    builder.Add(compound, nthFace(box(2, 2, 2), 1).Moved(TopLoc_Location(translation(90, 0, 0))));

    Built built;
    built.part(compound, "Mixed");
    const sh::DesignData design = built.translate();
    const auto& bodies = design.components.at(0).bodies;
    ASSERT_EQ(bodies.size(), 3u);
    EXPECT_EQ(bodies[0].faces.size(), 6u);
    EXPECT_EQ(bodies[1].faces.size(), 6u);
    EXPECT_EQ(bodies[2].faces.size(), 2u);
    EXPECT_EQ(bodies[0].name, "Body1");
    EXPECT_EQ(bodies[2].name, "Body3");
    // Volume only from the solid; area from all of them (cm² and cm³).
    ASSERT_TRUE(design.components.at(0).physicalProperties);
    EXPECT_NEAR(design.components.at(0).physicalProperties->volume, 6.0, 1e-9);
    EXPECT_NEAR(design.components.at(0).physicalProperties->area, 22.0 + 0.06 + 0.04 + 0.04, 1e-9);
}

TEST(XcafNames, UnnamedAndRepeatedNamesBecomeReadableAndUnique)
{
    Built built;
    const TDF_Label first = built.part(box(), "Bracket");
    const TDF_Label second = built.part(box(1, 2, 3), "Bracket");
    const TDF_Label anonymous = built.part(box(4, 4, 4));
    const TDF_Label viaReference = built.part(box(5, 5, 5));
    const TopoDS_Shape twoSolids = twoBoxes();
    const TDF_Label named = built.part(twoSolids, "Twins");
    TopExp_Explorer solids(twoSolids, TopAbs_SOLID);
    built.sub(named, solids.Current(), "Lower");
    const TDF_Label top = built.assembly();
    built.place(top, first);
    built.place(top, second);
    built.place(top, anonymous);
    built.place(top, viaReference, gp_Trsf(), "clip_1");
    built.place(top, named);

    const sh::DesignData design = built.translate();
    std::vector<std::string> names;
    for (const auto& c : design.components)
        names.push_back(c.name);
    EXPECT_EQ(names, (std::vector<std::string>{"Built", "Bracket", "Bracket (2)", "Part 1", "clip_1", "Twins"}));
    const auto& twins = component(design, "Twins");
    ASSERT_EQ(twins.bodies.size(), 2u);
    EXPECT_EQ(twins.bodies[0].name, "Lower");
    EXPECT_EQ(twins.bodies[1].name, "Body2");
}

// Colours land where the document puts them: placement, part, solid, face.
TEST(XcafColours, AttachAtTheirLevelWithStableIdentifiers)
{
    Built built;
    const TopoDS_Shape shape = box();
    const TDF_Label brick = built.part(shape, "Brick");
    built.colour(brick, 0.8, 0.8, 0.8);
    const TDF_Label face = built.sub(brick, nthFace(shape, 2));
    built.colour(face, 1.0, 0.5, 0.0);
    const TDF_Label top = built.assembly("Top");
    const TDF_Label red = built.place(top, brick);
    built.colour(red, 1, 0, 0);
    built.place(top, brick, translation(0, 0, 50));

    const sh::DesignData design = built.translate();
    const auto& root = rootOf(design);
    EXPECT_EQ(appearanceId(design, root.occurrences.at(0).appearance), "rgb-ff0000");
    EXPECT_EQ(appearanceId(design, root.occurrences.at(1).appearance), "");
    const auto& body = component(design, "Brick").bodies.at(0);
    EXPECT_EQ(appearanceId(design, body.appearance), "rgb-cccccc");
    for (std::size_t f = 0; f < body.faces.size(); ++f)
        EXPECT_EQ(appearanceId(design, body.faces[f].appearance), f == 2 ? "rgb-ff8000" : "") << "face " << f;

    const auto orange = std::find_if(design.appearances.begin(), design.appearances.end(),
                                     [](const sh::AppearanceData& a) { return a.id == "rgb-ff8000"; });
    ASSERT_NE(orange, design.appearances.end());
    EXPECT_EQ(orange->name, "RGB 255, 128, 0");
    ASSERT_EQ(orange->properties.size(), 1u);
    EXPECT_EQ(orange->properties[0].id, "generic_diffuse");
    ASSERT_TRUE(orange->properties[0].color);
    EXPECT_EQ(orange->properties[0].color->green, 128);
    EXPECT_EQ(orange->properties[0].color->opacity, 255);
}

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
    built.place(top, both);
    built.place(top, generic);
    built.place(top, glass);
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
    // The blue of two labels is one appearance.
    EXPECT_EQ(std::count_if(design.appearances.begin(), design.appearances.end(),
                            [](const sh::AppearanceData& a) { return a.id == "rgb-0000ff"; }),
              1);
}

TEST(XcafVisibility, HiddenPlacementsPartsAndSolidsTurnTheirLightBulbsOff)
{
    const TopoDS_Shape pair = twoBoxes();
    Built built;
    const TDF_Label twins = built.part(pair, "Twins");
    TopExp_Explorer solids(pair, TopAbs_SOLID);
    solids.Next();
    built.hide(built.sub(twins, solids.Current()));
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
// the face's orientation and even under a mirroring location.
void expectOutwardMeshes(const sh::BodyData& body, const std::array<double, 3>& centre, const char* what)
{
    std::size_t triangles = 0;
    for (std::size_t f = 0; f < body.faces.size(); ++f) {
        ASSERT_EQ(body.faces[f].displayMeshes.size(), 1u) << what;
        const sh::MeshData& m = body.faces[f].displayMeshes[0];
        ASSERT_EQ(m.normalVectors.size(), m.nodeCoordinates.size()) << what;
        ASSERT_EQ(m.textureCoordinates.size() / 2, m.nodeCoordinates.size() / 3) << what;
        for (float uv : m.textureCoordinates) {
            EXPECT_GE(uv, -1e-5f) << what;
            EXPECT_LE(uv, 1 + 1e-5f) << what;
        }
        for (std::size_t t = 0; t + 2 < m.nodeIndices.size(); t += 3, ++triangles) {
            std::array<std::array<double, 3>, 3> p{};
            for (int k = 0; k < 3; ++k)
                for (int c = 0; c < 3; ++c)
                    p[k][c] = m.nodeCoordinates[static_cast<std::size_t>(m.nodeIndices[t + k]) * 3 + c];
            const std::array<double, 3> e1{p[1][0] - p[0][0], p[1][1] - p[0][1], p[1][2] - p[0][2]};
            const std::array<double, 3> e2{p[2][0] - p[0][0], p[2][1] - p[0][1], p[2][2] - p[0][2]};
            const std::array<double, 3> n{e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                                          e1[0] * e2[1] - e1[1] * e2[0]};
            // Triangles squeezed to nothing at a sphere's poles face nowhere.
            if (std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]) < 1e-12)
                continue;
            double out = 0, agree = 0;
            for (int c = 0; c < 3; ++c) {
                out += n[c] * ((p[0][c] + p[1][c] + p[2][c]) / 3 - centre[c]);
                agree += n[c] * m.normalVectors[static_cast<std::size_t>(m.nodeIndices[t]) * 3 + c];
            }
            EXPECT_GT(out, 0) << what << ": face " << f << " triangle " << t / 3 << " faces inwards";
            EXPECT_GT(agree, 0) << what << ": face " << f << " triangle " << t / 3 << " against its normals";
        }
    }
    EXPECT_GT(triangles, 0u) << what;
}

TEST(XcafMeshes, TrianglesAndNormalsFaceOutwardsAlsoUnderAMirror)
{
    gp_Trsf mirror;
    mirror.SetMirror(gp_Ax2(gp_Pnt(0, 0, 0), gp_Dir(1, 0, 0)));
    Built built;
    built.part(box(), "Plain");
    // Shapes refuse mirroring locations unless told not to raise; files
    // can still bring them.
    built.part(box().Moved(TopLoc_Location(mirror), Standard_False), "Mirrored");
    const sh::DesignData design = built.translate();
    expectOutwardMeshes(design.components.at(1).bodies.at(0), {0.5, 1.0, 1.5}, "plain box");
    expectOutwardMeshes(design.components.at(2).bodies.at(0), {-0.5, 1.0, 1.5}, "mirrored box");
}

// Node normals come from the sphere's surface (radial), also at its poles,
// and no triangle strays further from the surface than the deflection asked
// for, in millimetres.
TEST(XcafMeshes, CurvedFacesFollowTheDeflectionWithSurfaceNormals)
{
    const double radius = 40; // mm
    std::size_t coarse = 0;
    for (const double deflection : {1.0, 0.05}) {
        Built built;
        built.part(BRepPrimAPI_MakeSphere(radius).Shape(), "Ball");
        sh::ImportOptions options;
        options.deflection = deflection;
        const sh::DesignData design = built.translate(options);
        const auto& body = design.components.at(0).bodies.at(0);
        expectOutwardMeshes(body, {0, 0, 0}, "sphere");
        double worst = 0;
        std::size_t triangles = 0;
        for (const auto& face : body.faces)
            for (const auto& m : face.displayMeshes) {
                for (std::size_t i = 0; i < m.nodeCoordinates.size(); i += 3) {
                    const double x = m.nodeCoordinates[i], y = m.nodeCoordinates[i + 1], z = m.nodeCoordinates[i + 2];
                    const double r = std::sqrt(x * x + y * y + z * z);
                    const double radial = (x * m.normalVectors[i] + y * m.normalVectors[i + 1] +
                                           z * m.normalVectors[i + 2]) / r;
                    EXPECT_GT(radial, 0.999) << "node " << i / 3 << " at (" << x << ", " << y << ", " << z << ")";
                }
                for (std::size_t t = 0; t < m.nodeIndices.size(); t += 3, ++triangles) {
                    double c[3] = {0, 0, 0};
                    for (int k = 0; k < 3; ++k)
                        for (int a = 0; a < 3; ++a)
                            c[a] += m.nodeCoordinates[static_cast<std::size_t>(m.nodeIndices[t + k]) * 3 + a] / 3;
                    worst = std::max(worst, radius / 10 - std::sqrt(c[0] * c[0] + c[1] * c[1] + c[2] * c[2]));
                }
            }
        EXPECT_LE(worst, deflection / 10 * 1.05) << "deflection " << deflection << " mm";
        if (coarse == 0)
            coarse = triangles;
        else
            EXPECT_GT(triangles, 4 * coarse) << "a finer deflection makes more triangles";
    }
}

} // namespace
