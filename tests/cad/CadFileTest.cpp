// Real CAD files: the structure of an assembly with parts placed many
// times, placements checked against OpenCASCADE's own flattened reading of
// the same file, colours at part and face level (placement colours are in
// XcafTranslationTest), length units, physical properties against the
// figures the files carry, parts in files of their own, IGES and BRep.

#include "CadTestSupport.h"

#include <BRepBndLib.hxx>
#include <BRepGProp.hxx>
#include <Bnd_Box.hxx>
#include <GProp_GProps.hxx>
#include <Message.hxx>
#include <Message_Messenger.hxx>
#include <STEPControl_Reader.hxx>
#include <TopExp_Explorer.hxx>

#include <algorithm>
#include <cmath>
#include <map>
#include <functional>
#include <set>

namespace {

using namespace cadtest;

// What OpenCASCADE's plain STEP reader makes of the file without XCAF: one
// shape with every placement flattened into the world, in millimetres.
struct Flattened {
    std::vector<Box> solids; // centimetres
    std::size_t faces = 0;
    double volume = 0; // cm³
};

Flattened flatten(const fs::path& file)
{
    Message::DefaultMessenger()->ChangePrinters().Clear();
    STEPControl_Reader reader;
    EXPECT_EQ(reader.ReadFile(file.string().c_str()), IFSelect_RetDone);
    reader.TransferRoots();
    const TopoDS_Shape shape = reader.OneShape();
    Flattened flat;
    for (TopExp_Explorer it(shape, TopAbs_SOLID); it.More(); it.Next()) {
        Bnd_Box bounds;
        BRepBndLib::AddOptimal(it.Current(), bounds, false, false);
        double x0, y0, z0, x1, y1, z1;
        bounds.Get(x0, y0, z0, x1, y1, z1);
        Box box;
        box.include({x0 / 10, y0 / 10, z0 / 10});
        box.include({x1 / 10, y1 / 10, z1 / 10});
        flat.solids.push_back(box);
        for (TopExp_Explorer f(it.Current(), TopAbs_FACE); f.More(); f.Next())
            ++flat.faces;
        GProp_GProps props;
        BRepGProp::VolumeProperties(it.Current(), props);
        flat.volume += std::fabs(props.Mass()) / 1000;
    }
    return flat;
}

// Each part and assembly once, and nested placements landing every body
// where OpenCASCADE's flattened reading puts its solid (the mesh's box lies
// inside the exact one, short of it by no more than the deflection). Per
// part: its colour on the body (none on the faces), and area and volume
// against the validation properties the authoring system wrote into the file
// (mm² and mm³ there, cm² and cm³ here; it measured its own way: within
// 0.1 % and 0.2 %). The whole assembly's volume against OpenCASCADE's own
// figure for the flattened shape.
TEST(CadAssembly, StructurePlacementsColoursAndPhysicalPropertiesAgreeWithTheFileAndOpenCascade)
{
    const fs::path file = caxIf("as1-oc-214.stp");
    CAD_REQUIRE_FILE(file);
    const sh::DesignData design = sh::loadDesignAnyFormat(file);
    std::set<std::string> names;
    std::size_t occurrences = 0, bodies = 0;
    for (const auto& c : design.components) {
        names.insert(c.name);
        occurrences += c.occurrences.size();
        bodies += c.bodies.size();
    }
    EXPECT_EQ(names, (std::set<std::string>{"as1", "rod-assembly", "nut", "rod", "l-bracket-assembly",
                                            "nut-bolt-assembly", "bolt", "l-bracket", "plate"}));
    EXPECT_EQ(occurrences, 13u);
    EXPECT_EQ(bodies, 5u);
    EXPECT_EQ(design.name, "as1-oc-214");
    EXPECT_EQ(rootOf(design).name, "as1");
    EXPECT_EQ(design.products.at(0).units, "mm");
    EXPECT_EQ(design.host.modelingOrientation, adsk::core::ZUpModelingOrientation);

    const Flattened flat = flatten(file);
    std::vector<Box> solids = flat.solids;
    std::size_t faces = 0;
    for (const PlacedBody& p : placedBodies(design)) {
        faces += p.body->faces.size();
        for (const auto& face : p.body->faces)
            EXPECT_EQ(face.displayMeshes.size(), 1u) << p.component;
        auto best = std::min_element(solids.begin(), solids.end(), [&](const Box& a, const Box& b) {
            return p.box.distance(a) < p.box.distance(b);
        });
        ASSERT_NE(best, solids.end()) << "more bodies than solids";
        EXPECT_LT(p.box.distance(*best), 0.05) << p.component << " is nowhere the flattened reading has a solid";
        solids.erase(best);
    }
    EXPECT_TRUE(solids.empty()) << "one body per solid in the world";
    EXPECT_EQ(faces, flat.faces);

    struct Part {
        const char* name;
        const char* colour;
        double volume, area;
    };
    const Part parts[] = {{"nut", "rgb-ff0000", 664.37421974184, 747.02478901525},
                          {"rod", "rgb-ff8000", 15708.37382832, 6431.602661948},
                          {"bolt", "rgb-0000ff", 3200.717242138, 1562.789760368},
                          {"l-bracket", "rgb-00ff00", 96858.57103522, 24628.26538146},
                          {"plate", "rgb-ccff00", 530574.966551, 70022.14873411}};
    for (const Part& part : parts) {
        SCOPED_TRACE(part.name);
        const sh::ComponentData& c = component(design, part.name);
        EXPECT_EQ(appearanceId(design, c.bodies.at(0).appearance), part.colour);
        for (const auto& face : c.bodies.at(0).faces)
            EXPECT_EQ(face.appearance, sh::kNone);
        ASSERT_TRUE(c.physicalProperties);
        EXPECT_NEAR(c.physicalProperties->volume, part.volume / 1000, part.volume / 1000 * 1e-3);
        EXPECT_NEAR(c.physicalProperties->area, part.area / 100, part.area / 100 * 2e-3);
    }
    EXPECT_EQ(design.appearances.size(), 5u);

    double placedVolume = 0;
    std::function<void(int)> walk = [&](int index) {
        const auto& c = design.components.at(static_cast<std::size_t>(index));
        placedVolume += c.physicalProperties ? c.physicalProperties->volume : 0;
        for (const auto& o : c.occurrences)
            walk(o.component);
    };
    walk(design.products.at(0).rootComponent);
    EXPECT_NEAR(placedVolume, flat.volume, flat.volume * 1e-9);
}

// Colours on single faces, over a colour on the whole part.
TEST(CadFaceColours, FacesKeepTheirOwnColoursOverThePartColour)
{
    const fs::path file = gmsh("step_boundary_colors.stp");
    CAD_REQUIRE_FILE(file);
    const sh::DesignData design = sh::loadDesignAnyFormat(file);
    const std::vector<PlacedBody> placed = placedBodies(design);
    ASSERT_EQ(placed.size(), 1u);
    EXPECT_EQ(appearanceId(design, placed[0].body->appearance), "rgb-e1e1e1");
    std::map<std::string, int> faces; // appearance id ("" for none) -> faces
    for (const auto& face : placed[0].body->faces)
        ++faces[appearanceId(design, face.appearance)];
    EXPECT_EQ(faces, (std::map<std::string, int>{{"", 3}, {"rgb-00ff00", 1}, {"rgb-ff0000", 1}, {"rgb-0080ff", 1}}));
}

// The same one-metre cube in three units: the unit is the design's, the
// geometry is the same in centimetres.
TEST(CadUnits, InchMillimetreAndMetreFilesGiveTheirUnitAndTheSameCentimetres)
{
    Box want;
    want.include({0, 0, 0});
    want.include({100, 100, 100});
    for (const std::string unit : {"in", "mm", "m"}) {
        SCOPED_TRACE(unit);
        const fs::path file = occtImportJs("cube-units/cube-" + unit + ".step");
        CAD_REQUIRE_FILE(file);
        const sh::DesignData design = sh::loadDesignAnyFormat(file);
        EXPECT_EQ(design.products.at(0).units, unit);
        const std::vector<PlacedBody> placed = placedBodies(design);
        ASSERT_EQ(placed.size(), 1u);
        EXPECT_LT(placed[0].box.distance(want), 1e-4);
        const auto& cube = component(design, "Cube");
        ASSERT_TRUE(cube.physicalProperties);
        EXPECT_NEAR(cube.physicalProperties->volume, 1e6, 1e-3);
        EXPECT_NEAR(cube.physicalProperties->area, 6e4, 1e-5);
    }
}

// An assembly whose parts are files of their own beside it, named by a
// relative path: every part is found; with one part file gone, the rest
// still loads and the missing one is reported. A centimetre file.
TEST(CadExternalFiles, PartsInFilesOfTheirOwnAreFoundOrReported)
{
    const fs::path file = caxIf("s1_pe_214/s1_pe_214.stp");
    CAD_REQUIRE_FILE(file);
    const fs::path relative = fs::relative(file);
    RecordingMonitor monitor;
    sh::ImportOptions options;
    options.monitor = &monitor;
    const sh::DesignData whole = sh::loadDesignAnyFormat(relative, options);
    EXPECT_EQ(placedBodies(whole).size(), 11u);
    EXPECT_EQ(whole.products.at(0).units, "cm");
    EXPECT_TRUE(monitor.warnings.empty()) << monitor.warnings.front();

    EditedCopy copy(file);
    for (const auto& part : fs::directory_iterator(file.parent_path()))
        if (part.path().filename() != file.filename() && part.path().filename() != "tail_asm.stp")
            fs::copy_file(part.path(), copy.folder() / part.path().filename());
    RecordingMonitor partial;
    options.monitor = &partial;
    const sh::DesignData design = sh::loadDesignAnyFormat(copy.write(), options);
    EXPECT_EQ(placedBodies(design).size(), 8u) << "all but the three bodies of the tail";
    ASSERT_EQ(partial.warnings.size(), 1u);
    EXPECT_EQ(partial.warnings[0], "the external file \"tail_asm.stp\" could not be read; its parts are left empty");
}

TEST(CadFormats, IgesAndBrepFilesBecomeDesignsNamedAfterTheFile)
{
    for (const char* name : {"iges/bearing.iges", "occ/bottle.brep"}) {
        SCOPED_TRACE(name);
        const fs::path file = occtData(name);
        CAD_REQUIRE_FILE(file);
        const sh::DesignData design = sh::loadDesignAnyFormat(file);
        EXPECT_EQ(design.products.at(0).units, "mm");
        EXPECT_EQ(rootOf(design).name, file.stem().string()) << "an unnamed shape takes the document's name";
        std::size_t faces = 0, meshed = 0;
        for (const auto& p : placedBodies(design))
            for (const auto& face : p.body->faces) {
                ++faces;
                meshed += face.displayMeshes.size();
            }
        EXPECT_GT(faces, 10u);
        EXPECT_EQ(meshed, faces);
        ASSERT_TRUE(rootOf(design).physicalProperties);
        EXPECT_GT(rootOf(design).physicalProperties->area, 0);
    }
}

} // namespace
