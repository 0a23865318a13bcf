// Real CAD files: the structure of an assembly with parts placed many
// times, placements checked against OpenCASCADE's own flattened reading of
// the same file, colours at part and face level, length units, physical
// properties against the figures the files carry, IGES and BRep.

#include "CadDocument.h"
#include "CadTestSupport.h"
#include "OcctMessages.h"

#include <BRepBndLib.hxx>
#include <BRepGProp.hxx>
#include <Bnd_Box.hxx>
#include <GProp_GProps.hxx>
#include <Message.hxx>
#include <Message_Messenger.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <Quantity_Color.hxx>
#include <STEPCAFControl_Writer.hxx>
#include <STEPControl_Reader.hxx>
#include <TDataStd_Name.hxx>
#include <TDocStd_Document.hxx>
#include <TopExp_Explorer.hxx>
#include <XCAFDoc_ColorTool.hxx>
#include <XCAFDoc_DocumentTool.hxx>
#include <XCAFDoc_ShapeTool.hxx>

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <functional>
#include <regex>
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

// The CAx-IF validation properties in a STEP file: per product name, its
// 'volume' and 'surface area' as the authoring system measured them.
struct Validation {
    double volume = 0;
    double area = 0;
};

std::map<std::string, Validation> validationProperties(const fs::path& file)
{
    // Entities as "#id" -> text, whatever their line breaks.
    std::map<std::string, std::string> entities;
    const std::string text = readText(file);
    const std::regex entity(R"((#\d+)\s*=\s*([^;]*);)");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), entity); it != std::sregex_iterator(); ++it) {
        std::string body = (*it)[2];
        body.erase(std::remove(body.begin(), body.end(), '\n'), body.end());
        entities[(*it)[1]] = body;
    }
    const auto arg = [](const std::string& body, std::size_t n) {
        std::vector<std::string> refs;
        const std::regex ref(R"(#\d+)");
        for (auto it = std::sregex_iterator(body.begin(), body.end(), ref); it != std::sregex_iterator(); ++it)
            refs.push_back(it->str());
        return n < refs.size() ? refs[n] : std::string();
    };
    // PRODUCT_DEFINITION_SHAPE -> PRODUCT_DEFINITION -> FORMATION -> PRODUCT('name', ...)
    const auto productOf = [&](const std::string& shape) {
        const std::string definition = arg(entities[shape], 0);
        const std::string formation = arg(entities[definition], 0);
        const std::string product = arg(entities[formation], 0);
        const std::smatch m = [&] {
            std::smatch match;
            std::regex_search(entities[product], match, std::regex(R"(PRODUCT\s*\(\s*'([^']*)')"));
            return match;
        }();
        return m.empty() ? std::string() : m[1].str();
    };
    std::map<std::string, Validation> out;
    const std::regex property(R"(PROPERTY_DEFINITION\s*\(\s*'geometric validation property'\s*,\s*'(volume|surface area)'\s*,\s*(#\d+))");
    const std::regex measure(R"((VOLUME|AREA)_MEASURE\s*\(\s*([-0-9.E+]+))");
    for (const auto& [id, body] : entities) {
        std::smatch m;
        if (!std::regex_search(body, m, property))
            continue;
        const std::string kind = m[1], product = productOf(m[2]);
        // PROPERTY_DEFINITION_REPRESENTATION(#this, #representation) -> its item
        for (const auto& [otherId, other] : entities) {
            if (other.rfind("PROPERTY_DEFINITION_REPRESENTATION", 0) != 0 || arg(other, 0) != id)
                continue;
            const std::string item = arg(entities[arg(other, 1)], 0);
            std::smatch value;
            if (std::regex_search(entities[item], value, measure))
                (kind == "volume" ? out[product].volume : out[product].area) = std::stod(value[2]);
        }
    }
    return out;
}

class As1 : public ::testing::Test {
protected:
    void SetUp() override
    {
        file = caxIf("as1-oc-214.stp");
        CAD_REQUIRE_FILE(file);
        design = sh::loadDesignAnyFormat(file);
    }
    fs::path file;
    sh::DesignData design;
};

TEST_F(As1, ComponentsOccurrencesBodiesAndFaces)
{
    std::set<std::string> names;
    std::size_t occurrences = 0, bodies = 0;
    for (const auto& c : design.components) {
        names.insert(c.name);
        occurrences += c.occurrences.size();
        bodies += c.bodies.size();
    }
    EXPECT_EQ(names, (std::set<std::string>{"as1", "rod-assembly", "nut", "rod", "l-bracket-assembly",
                                            "nut-bolt-assembly", "bolt", "l-bracket", "plate"}));
    EXPECT_EQ(design.components.size(), 9u) << "each part and assembly once";
    EXPECT_EQ(occurrences, 13u);
    EXPECT_EQ(bodies, 5u);
    EXPECT_EQ(design.name, "as1-oc-214");
    EXPECT_EQ(design.components.at(static_cast<std::size_t>(design.products.at(0).rootComponent)).name, "as1");

    const Flattened flat = flatten(file);
    const std::vector<PlacedBody> placed = placedBodies(design);
    EXPECT_EQ(placed.size(), flat.solids.size()) << "one body per solid in the world";
    std::size_t faces = 0;
    for (const PlacedBody& p : placed) {
        faces += p.body->faces.size();
        for (const auto& face : p.body->faces)
            EXPECT_EQ(face.displayMeshes.size(), 1u) << p.component;
    }
    EXPECT_EQ(faces, flat.faces);
}

// Nested placements land every body where OpenCASCADE's flattened reading
// puts its solid (the mesh's box lies inside the exact one, short of it by
// no more than the deflection).
TEST_F(As1, NestedPlacementsMatchTheFlattenedReading)
{
    std::vector<Box> solids = flatten(file).solids;
    for (const PlacedBody& p : placedBodies(design)) {
        auto best = std::min_element(solids.begin(), solids.end(), [&](const Box& a, const Box& b) {
            return p.box.distance(a) < p.box.distance(b);
        });
        ASSERT_NE(best, solids.end()) << "more bodies than solids";
        EXPECT_LT(p.box.distance(*best), 0.05) << p.component << " is nowhere the flattened reading has a solid";
        solids.erase(best);
    }
    EXPECT_TRUE(solids.empty());
}

TEST_F(As1, PartColoursAreBodyAppearances)
{
    const std::map<std::string, std::string> want = {{"nut", "rgb-ff0000"},
                                                     {"rod", "rgb-ff8000"},
                                                     {"bolt", "rgb-0000ff"},
                                                     {"l-bracket", "rgb-00ff00"},
                                                     {"plate", "rgb-ccff00"}};
    for (const auto& [part, id] : want) {
        const auto& body = design.components.at(static_cast<std::size_t>(componentNamed(design, part))).bodies.at(0);
        EXPECT_EQ(appearanceId(design, body.appearance), id) << part;
        for (const auto& face : body.faces)
            EXPECT_EQ(face.appearance, sh::kNone) << part;
    }
    EXPECT_EQ(design.appearances.size(), 5u);
}

// Area and volume of every part against the validation properties the
// authoring system wrote into the file (mm² and mm³ there, cm² and cm³
// here), and the whole assembly's volume against OpenCASCADE's own figure
// for the flattened shape.
TEST_F(As1, PhysicalPropertiesAgreeWithTheFilesFiguresAndOpenCascade)
{
    const std::map<std::string, Validation> figures = validationProperties(file);
    std::size_t checked = 0;
    for (const auto& c : design.components) {
        const auto it = figures.find(c.name);
        if (it == figures.end() || c.bodies.empty())
            continue;
        ASSERT_TRUE(c.physicalProperties) << c.name;
        // The authoring system measured its own way: within 0.1 % and 0.2 %.
        EXPECT_NEAR(c.physicalProperties->volume, it->second.volume / 1000, it->second.volume / 1000 * 1e-3)
            << c.name;
        EXPECT_NEAR(c.physicalProperties->area, it->second.area / 100, it->second.area / 100 * 2e-3) << c.name;
        ++checked;
    }
    EXPECT_EQ(checked, 5u) << "every part has its figures in the file";

    double placedVolume = 0;
    std::function<void(int)> walk = [&](int index) {
        const auto& c = design.components.at(static_cast<std::size_t>(index));
        placedVolume += c.physicalProperties ? c.physicalProperties->volume : 0;
        for (const auto& o : c.occurrences)
            walk(o.component);
    };
    walk(design.products.at(0).rootComponent);
    const double flat = flatten(file).volume;
    EXPECT_NEAR(placedVolume, flat, flat * 1e-9);
}

TEST_F(As1, ReadingTwiceGivesTheSameDesign)
{
    const sh::DesignData again = sh::loadDesignAnyFormat(file);
    ASSERT_EQ(again.components.size(), design.components.size());
    for (std::size_t i = 0; i < design.components.size(); ++i) {
        const auto& a = design.components[i];
        const auto& b = again.components[i];
        EXPECT_EQ(a.name, b.name);
        ASSERT_TRUE(a.physicalProperties && b.physicalProperties);
        EXPECT_EQ(a.physicalProperties->area, b.physicalProperties->area) << a.name;
        EXPECT_EQ(a.physicalProperties->volume, b.physicalProperties->volume) << a.name;
        EXPECT_EQ(triangleCount(a), triangleCount(b)) << a.name;
    }
}

// Colours on single faces, over a colour on the whole part.
TEST(CadFaceColours, FacesKeepTheirOwnColoursOverThePartColour)
{
    struct Case {
        fs::path file;
        std::string part;
        std::map<std::string, int> faces; // appearance id ("" for none) -> faces
    };
    const Case cases[] = {
        {gmsh("step_boundary_colors.stp"), "rgb-e1e1e1", {{"", 3}, {"rgb-00ff00", 1}, {"rgb-ff0000", 1}, {"rgb-0080ff", 1}}},
        {caxIf("io1-cm-214.stp"), "rgb-ffff00", {{"", -1}, {"rgb-ff0000", 2}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.string());
        CAD_REQUIRE_FILE(c.file);
        const sh::DesignData design = sh::loadDesignAnyFormat(c.file);
        const std::vector<PlacedBody> placed = placedBodies(design);
        ASSERT_EQ(placed.size(), 1u);
        EXPECT_EQ(appearanceId(design, placed[0].body->appearance), c.part);
        std::map<std::string, int> faces;
        for (const auto& face : placed[0].body->faces)
            ++faces[appearanceId(design, face.appearance)];
        for (const auto& [id, count] : c.faces) {
            if (count >= 0) {
                EXPECT_EQ(faces[id], count) << "faces with \"" << id << "\"";
            }
        }
        EXPECT_EQ(faces.size(), c.faces.size());
    }
}

// A model from an electronics CAD library: solids coloured one by one.
TEST(CadFaceColours, SolidColoursOfAnElectronicsModel)
{
    const fs::path file = "/usr/share/kicad/demos/stickhub/3dmodels/JST_SH_SM04B-SRSS-TB.STEP";
    CAD_REQUIRE_FILE(file);
    const std::string text = readText(file);
    std::size_t solids = 0;
    const std::regex solid(R"(MANIFOLD_SOLID_BREP\s*\()");
    solids = static_cast<std::size_t>(std::distance(std::sregex_iterator(text.begin(), text.end(), solid),
                                                    std::sregex_iterator()));
    const sh::DesignData design = sh::loadDesignAnyFormat(file);
    const std::vector<PlacedBody> placed = placedBodies(design);
    ASSERT_EQ(placed.size(), solids);
    std::set<std::string> colours;
    for (const PlacedBody& p : placed) {
        EXPECT_NE(p.body->appearance, sh::kNone) << p.body->name;
        colours.insert(appearanceId(design, p.body->appearance));
    }
    EXPECT_EQ(colours, (std::set<std::string>{"rgb-f0e6cc", "rgb-af9b87"}));
}

// A colour on one placement of a part, written by OpenCASCADE's own STEP
// writer and read back: the placement's occurrence carries it, the other
// placement and the part's body do not.
TEST(CadInstanceColours, AColourOnOnePlacementStaysOnThatOccurrence)
{
    // A document and a writer made as the importer makes its own, so that
    // OpenCASCADE's first-use registries stay out of the leak check.
    standin::host::cad::CadDocument made;
    const Handle(TDocStd_Document)& document = made.document();
    Handle(XCAFDoc_ShapeTool) shapes = XCAFDoc_DocumentTool::ShapeTool(document->Main());
    Handle(XCAFDoc_ColorTool) colours = XCAFDoc_DocumentTool::ColorTool(document->Main());
    const TDF_Label part = shapes->AddShape(BRepPrimAPI_MakeBox(10, 20, 30).Shape(), false);
    TDataStd_Name::Set(part, "brick");
    const TDF_Label top = shapes->NewShape();
    TDataStd_Name::Set(top, "wall");
    gp_Trsf along;
    along.SetTranslation(gp_Vec(100, 0, 0));
    const TDF_Label painted = shapes->AddComponent(top, part, TopLoc_Location(along));
    shapes->AddComponent(top, part, TopLoc_Location());
    colours->SetColor(painted, Quantity_Color(1, 0.5, 0, Quantity_TOC_sRGB), XCAFDoc_ColorSurf);
    shapes->UpdateAssemblies();

    EditedCopy scratch(__FILE__);
    const fs::path file = scratch.folder() / "wall.step";
    Message::DefaultMessenger()->ChangePrinters().Clear();
    std::optional<STEPCAFControl_Writer> writer;
    {
        standin::host::cad::FirstUseScope firstUse;
        writer.emplace();
    }
    ASSERT_TRUE(writer->Transfer(document));
    ASSERT_EQ(writer->Write(file.string().c_str()), IFSelect_RetDone);

    const sh::DesignData design = sh::loadDesignAnyFormat(file);
    const auto& wall = design.components.at(static_cast<std::size_t>(componentNamed(design, "wall")));
    ASSERT_EQ(wall.occurrences.size(), 2u);
    EXPECT_EQ(appearanceId(design, wall.occurrences[0].appearance), "rgb-ff8000");
    EXPECT_EQ(appearanceId(design, wall.occurrences[1].appearance), "");
    EXPECT_NEAR(wall.occurrences[0].transform[0][3], 10.0, 1e-9);
    const auto& brick = design.components.at(static_cast<std::size_t>(componentNamed(design, "brick")));
    EXPECT_EQ(brick.bodies.at(0).appearance, sh::kNone);
}

// The same one-metre cube in three units: the unit is the design's, the
// geometry is the same in centimetres.
TEST(CadUnits, InchMillimetreAndMetreFilesGiveTheirUnitAndTheSameCentimetres)
{
    for (const auto& [name, unit] : std::vector<std::pair<std::string, std::string>>{
             {"cube-in.step", "in"}, {"cube-mm.step", "mm"}, {"cube-m.step", "m"}}) {
        SCOPED_TRACE(name);
        const fs::path file = occtImportJs("cube-units/" + name);
        CAD_REQUIRE_FILE(file);
        const sh::DesignData design = sh::loadDesignAnyFormat(file);
        EXPECT_EQ(design.products.at(0).units, unit);
        const std::vector<PlacedBody> placed = placedBodies(design);
        ASSERT_EQ(placed.size(), 1u);
        Box want;
        want.include({0, 0, 0});
        want.include({100, 100, 100});
        EXPECT_LT(placed[0].box.distance(want), 1e-4);
        const int part = componentNamed(design, "Cube");
        ASSERT_TRUE(design.components.at(static_cast<std::size_t>(part)).physicalProperties);
        EXPECT_NEAR(design.components.at(static_cast<std::size_t>(part)).physicalProperties->volume, 1e6, 1e-3);
        EXPECT_NEAR(design.components.at(static_cast<std::size_t>(part)).physicalProperties->area, 6e4, 1e-5);
    }
}

TEST(CadUnits, CentimetreAssembliesAndInchAssembliesKeepTheirUnits)
{
    for (const auto& [file, unit] : std::vector<std::pair<fs::path, std::string>>{
             {caxIf("s1_pe_214/s1_pe_214.stp"), "cm"}, {caxIf("dm1-pe-214.stp"), "in"}}) {
        SCOPED_TRACE(file.string());
        CAD_REQUIRE_FILE(file);
        const sh::DesignData design = sh::loadDesignAnyFormat(file);
        EXPECT_EQ(design.products.at(0).units, unit);
        EXPECT_GT(placedBodies(design).size(), 1u);
    }
}

// An assembly whose parts are files of their own beside it, named by a
// relative path: every part is found; with one part file gone, the rest
// still loads and the missing one is reported.
TEST(CadExternalFiles, PartsInFilesOfTheirOwnAreFoundOrReported)
{
    const fs::path file = caxIf("s1_pe_214/s1_pe_214.stp");
    CAD_REQUIRE_FILE(file);
    const fs::path relative = fs::relative(file);
    RecordingMonitor monitor;
    sh::ImportOptions options;
    options.monitor = &monitor;
    EXPECT_EQ(placedBodies(sh::loadDesignAnyFormat(relative, options)).size(), 11u);
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

TEST(CadFormats, IgesAndBrepFilesBecomeDesigns)
{
    const fs::path iges = occtData("iges/bearing.iges");
    CAD_REQUIRE_FILE(iges);
    const sh::DesignData bearing = sh::loadDesignAnyFormat(iges);
    EXPECT_EQ(bearing.products.at(0).units, "mm");
    const auto& root = bearing.components.at(static_cast<std::size_t>(bearing.products.at(0).rootComponent));
    EXPECT_EQ(root.name, "bearing") << "an unnamed shape takes the document's name";
    std::size_t faces = 0, meshed = 0;
    for (const auto& p : placedBodies(bearing))
        for (const auto& face : p.body->faces) {
            ++faces;
            meshed += face.displayMeshes.size();
        }
    EXPECT_GT(faces, 100u);
    EXPECT_EQ(meshed, faces);

    const fs::path brep = occtData("occ/bottle.brep");
    CAD_REQUIRE_FILE(brep);
    const sh::DesignData bottle = sh::loadDesignAnyFormat(brep);
    ASSERT_EQ(bottle.components.size(), 1u);
    EXPECT_EQ(bottle.components[0].name, "bottle");
    EXPECT_EQ(bottle.products.at(0).units, "mm");
    ASSERT_EQ(bottle.components[0].bodies.size(), 1u);
    ASSERT_TRUE(bottle.components[0].physicalProperties);
    EXPECT_GT(bottle.components[0].physicalProperties->volume, 0);
}

} // namespace
