// 3MF packages through our streaming importer: the same design as Assimp's
// own importer gives (packages written here and Debian's box.3mf), what we
// read where Assimp's reader is wrong, and broken packages with the message
// each must give.

#include "CadTestSupport.h"

#include <host/cad/src/MeshImport.h>

#include <StandIn/DesignError.h>

#include <minizip/zip.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <tuple>
#include <utility>

namespace {

using namespace cadtest;
using standin::host::cad::loadMeshFile;
using standin::host::cad::ThreeMfImport;

using Entries = std::vector<std::pair<std::string, std::string>>;

const std::string kRels =
    R"(<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
    R"(<Relationship Target="/3D/3dmodel.model" Id="rel0" Type="http://schemas.microsoft.com/3dmanufacturing/2013/01/3dmodel"/></Relationships>)";

void writeZip(const fs::path& file, const Entries& entries, bool compress = true)
{
    zipFile zip = zipOpen64(file.c_str(), APPEND_STATUS_CREATE);
    ASSERT_NE(zip, nullptr);
    for (const auto& [name, data] : entries) {
        zip_fileinfo info{};
        ASSERT_EQ(zipOpenNewFileInZip64(zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                        compress ? Z_DEFLATED : 0, compress ? Z_DEFAULT_COMPRESSION : 0, 0),
                  ZIP_OK);
        zipWriteInFileInZip(zip, data.data(), static_cast<unsigned>(data.size()));
        zipCloseFileInZip(zip);
    }
    zipClose(zip, nullptr);
}

// A package whose model part is `model`, with its header added.
fs::path package(const rdtest::TempDir& folder, const std::string& name, const std::string& model,
                 const std::string& unit = "millimeter")
{
    const fs::path file = folder.path() / (name + ".3mf");
    writeZip(file, {{"_rels/.rels", kRels},
                    {"3D/3dmodel.model",
                     "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<model unit=\"" + unit +
                         "\" xmlns=\"http://schemas.microsoft.com/3dmanufacturing/core/2015/02\" "
                         "xmlns:m=\"http://schemas.microsoft.com/3dmanufacturing/material/2015/02\">\n" +
                         model + "\n</model>\n"}});
    return file;
}

const std::string kTetrahedron = R"(<vertices><vertex x="0" y="0" z="0"/><vertex x="10" y="0" z="0"/>
<vertex x="0" y="10.5" z="0"/><vertex x="0" y="0" z="1e1"/></vertices>)";

// Two base materials (one half transparent), a colour group Assimp ignores,
// per-triangle materials, an object's own material overriding its
// triangles', components with transforms and build items with transforms.
const std::string kAssembly = R"(<resources>
<basematerials id="1"><base name="Red" displaycolor="#FF0000FF"/><base displaycolor="#00ff0080"/></basematerials>
<m:colorgroup id="2"><m:color color="#0000FFFF"/></m:colorgroup>
<object id="3" type="model" pid="2" pindex="0"><mesh>)" + kTetrahedron + R"(<triangles>
<triangle v1="0" v2="2" v3="1"/><triangle v1="0" v2="1" v3="3" pid="1" p1="1"/>
<triangle v1="1" v2="2" v3="3" pid="2" p1="0"/><triangle v1="0" v2="3" v3="2"/></triangles></mesh></object>
<object id="4" pid="1" pindex="0"><mesh>)" + kTetrahedron + R"(<triangles>
<triangle v1="0" v2="2" v3="1" pid="1" p1="1"/><triangle v1="0" v2="1" v3="3"/></triangles></mesh></object>
<object id="5"><components><component objectid="3" transform="1 0 0 0 1 0 0 0 1 10 0 0"/>
<component objectid="4" transform="0 1 0 -1 0 0 0 0 1 0 5 2.5"/></components></object>
</resources>
<build><item objectid="5" transform="1 0 0 0 1 0 0 0 1 0 0 20"/><item objectid="3"/>
<item objectid="4" transform="2 0 0 0 2 0 0 0 2 -5 -5 0"/></build>)";

// Textures are left to Assimp's reader.
const std::string kTextured = R"(<resources>
<m:texture2d id="1" path="/3D/Texture/wood.png" contenttype="image/png"/>
<m:texture2dgroup id="2" texid="1"><m:tex2coord u="0" v="0"/><m:tex2coord u="1" v="0"/><m:tex2coord u="0" v="1"/></m:texture2dgroup>
<object id="3"><mesh>)" + kTetrahedron + R"(<triangles><triangle v1="0" v2="2" v3="1" pid="2" p1="0" p2="1" p3="2"/>
<triangle v1="0" v2="1" v3="3"/></triangles></mesh></object></resources><build><item objectid="3"/></build>)";

// Everything of a design our exports read, exactly.
std::string describe(const sh::DesignData& design)
{
    std::ostringstream out;
    out << std::hexfloat;
    for (const auto& product : design.products)
        out << "product " << product.units << " root " << product.rootComponent << '\n';
    for (const auto& appearance : design.appearances)
        out << "appearance " << appearance.id << " \"" << appearance.name << "\"\n";
    const auto list = [&out](const char* what, const auto& values) {
        out << "   " << what;
        for (const auto v : values)
            out << ' ' << v;
        out << '\n';
    };
    for (const auto& component : design.components) {
        out << "component \"" << component.name << "\"\n";
        for (const auto& occurrence : component.occurrences) {
            out << " occurrence " << occurrence.component;
            for (const auto& row : occurrence.transform)
                for (const double cell : row)
                    out << ' ' << cell;
            out << '\n';
        }
        for (const auto& body : component.bodies)
            for (const auto& face : body.faces) {
                out << " body \"" << body.name << "\" face " << face.appearance << '\n';
                for (const auto& mesh : face.displayMeshes) {
                    list("nodes", mesh.nodeCoordinates);
                    list("normals", mesh.normalVectors);
                    list("uv", mesh.textureCoordinates);
                    list("indices", mesh.nodeIndices);
                }
            }
    }
    return out.str();
}

std::string streamed(const fs::path& file) { return describe(loadMeshFile(file, {}, ThreeMfImport::Streaming)); }
std::string byAssimp(const fs::path& file) { return describe(loadMeshFile(file, {}, ThreeMfImport::AssimpOwn)); }

TEST(ThreeMf, GivesTheDesignAssimpsOwnReaderGives)
{
    rdtest::TempDir folder;
    const fs::path box = assimpModel("3MF/box.3mf");
    CAD_REQUIRE_FILE(box);
    for (const fs::path& file : {box, package(folder, "assembly", kAssembly), package(folder, "textured", kTextured)}) {
        SCOPED_TRACE(file.string());
        const std::string ours = streamed(file);
        EXPECT_EQ(ours, byAssimp(file));
        EXPECT_NE(ours.find("indices"), std::string::npos);
    }
    // The assembly's materials took effect: the object's own over its
    // triangles', the last triangle's otherwise.
    const std::string assembly = streamed(folder.path() / "assembly.3mf");
    EXPECT_NE(assembly.find("appearance mtl:id1_Red:ff0000ff \"id1_Red\""), std::string::npos) << assembly;
    EXPECT_NE(assembly.find("appearance mtl:id1_basemat_1:00ff0080"), std::string::npos) << assembly;
}

// Where Assimp's reader is wrong: a colour without alpha is opaque, not
// invisible, and the model's unit counts.
TEST(ThreeMf, OpaqueColoursWithoutAlphaAndTheModelsUnit)
{
    rdtest::TempDir folder;
    const std::string model = R"(<resources><basematerials id="1"><base name="Blue" displaycolor="#0000FF"/></basematerials>
<object id="2" pid="1" pindex="0"><mesh>)" + kTetrahedron + R"(<triangles><triangle v1="0" v2="2" v3="1"/></triangles></mesh></object>
</resources><build><item objectid="2"/></build>)";
    const sh::DesignData design = loadMeshFile(package(folder, "blue", model), {});
    ASSERT_EQ(design.appearances.size(), 1u);
    EXPECT_EQ(design.appearances[0].id, "mtl:id1_Blue:0000ffff");

    for (const auto& [unit, host, x] : {std::tuple{"inch", "in", 25.4f}, {"micron", "mm", 1e-3f}, {"meter", "m", 1000.f}}) {
        SCOPED_TRACE(unit);
        const sh::DesignData scaled = loadMeshFile(package(folder, unit, model, unit), {});
        EXPECT_EQ(scaled.products.at(0).units, host);
        const std::vector<PlacedBody> placed = placedBodies(scaled);
        ASSERT_EQ(placed.size(), 1u);
        EXPECT_FLOAT_EQ(placed[0].body->faces[0].displayMeshes[0].nodeCoordinates[3], x); // x="10"
    }
}

TEST(ThreeMf, BrokenPackagesSayWhatAndWhere)
{
    rdtest::TempDir folder;
    const std::string good = R"(<resources><basematerials id="1"><base name="A" displaycolor="#FFFFFF"/></basematerials>
<object id="2"><mesh>)" + kTetrahedron + R"(<triangles><triangle v1="0" v2="2" v3="1"/></triangles></mesh></object>
<object id="3"><components><component objectid="2"/></components></object></resources>
<build><item objectid="3"/></build>)";
    const auto edited = [&good](const std::string& from, const std::string& to) {
        std::string text = good;
        const std::size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return text.replace(at, from.size(), to);
    };
    const std::string part = "3D/3dmodel.model, line ";
    const struct {
        const char* name;
        std::function<fs::path(const fs::path&)> make;
        std::string message;
    } cases[] = {
        {"not-a-zip", [](const fs::path& f) { std::ofstream(f) << "solid nothing\n"; return f; },
         "not a zip archive, or its directory is damaged"},
        {"no-rels", [](const fs::path& f) { writeZip(f, {{"3D/3dmodel.model", "<model/>"}}); return f; },
         "_rels/.rels: no such part: the package does not say where its model is"},
        {"no-model-relationship",
         [](const fs::path& f) { writeZip(f, {{"_rels/.rels", "<Relationships/>"}}); return f; },
         "_rels/.rels: no relationship of type \"http://schemas.microsoft.com/3dmanufacturing/2013/01/3dmodel\""},
        {"missing-part", [](const fs::path& f) { writeZip(f, {{"_rels/.rels", kRels}}); return f; },
         "3D/3dmodel.model: no such part in the package"},
        {"malformed-xml", [&](const fs::path&) { return package(folder, "x", edited("</mesh>", "</mash>")); },
         part + "5: mismatched tag"},
        {"index-out-of-range", [&](const fs::path&) { return package(folder, "x", edited("v3=\"1\"", "v3=\"4\"")); },
         part + "5: <triangle> v3 4 out of range (4 vertices)"},
        {"index-does-not-fit",
         [&](const fs::path&) { return package(folder, "x", edited("v3=\"1\"", "v3=\"99999999999999999999\"")); },
         part + "5: <triangle> v3 \"99999999999999999999\" is not a whole number that fits"},
        {"bad-number", [&](const fs::path&) { return package(folder, "x", edited("y=\"10.5\"", "y=\"10,5\"")); },
         part + "5: <vertex> y \"10,5\" is not a number"},
        {"short-transform",
         [&](const fs::path&) { return package(folder, "x", edited("objectid=\"3\"/>", "objectid=\"3\" transform=\"1 0 0 0 1 0 0 0 1\"/>")); },
         part + "7: <item> transform has 9 numbers, not 12"},
        {"missing-object", [&](const fs::path&) { return package(folder, "x", edited("objectid=\"2\"", "objectid=\"9\"")); },
         part + "6: objectid 9 names no object"},
        {"cycle", [&](const fs::path&) { return package(folder, "x", edited("objectid=\"2\"", "objectid=\"3\"")); },
         part + "6: object 3 contains itself through its components"},
        {"material-out-of-range",
         [&](const fs::path&) { return package(folder, "x", edited("<object id=\"2\">", "<object id=\"2\" pid=\"1\" pindex=\"1\">")); },
         part + "4: <object> pindex 1 out of range (basematerials 1 has 1)"},
        {"id-twice", [&](const fs::path&) { return package(folder, "x", edited("id=\"3\"", "id=\"1\"")); },
         part + "6: resource id 1 is used twice"},
        {"no-triangles", [&](const fs::path&) { return package(folder, "x", edited("<triangle v1=\"0\" v2=\"2\" v3=\"1\"/>", "")); },
         part + "4: a mesh without triangles"},
        {"placements-without-bound", // 2^20 placements of one mesh, from one line
         [&](const fs::path&) {
             std::string text = edited("<item objectid=\"3\"/>", "<item objectid=\"10\"/>");
             for (int id = 29; id >= 10; --id) {
                 const std::string next = "<component objectid=\"" + std::to_string(id == 29 ? 2 : id + 1) + "\"/>";
                 text.insert(text.find("<object id=\"3\">"),
                             "<object id=\"" + std::to_string(id) + "\"><components>" + next + next + "</components></object>");
             }
             return package(folder, "x", text);
         },
         part + "7: the build places more than 250000 objects"},
        {"unknown-unit", [&](const fs::path&) { return package(folder, "x", good, "parsec"); }, part + "2: unknown unit \"parsec\""},
        {"damaged-data",
         [&](const fs::path& f) {
             writeZip(f, {{"_rels/.rels", kRels}, {"3D/3dmodel.model", "<model><build/><!-- ABCDEF --></model>"}}, false);
             std::fstream io(f, std::ios::in | std::ios::out | std::ios::binary);
             std::string bytes((std::istreambuf_iterator<char>(io)), {});
             io.seekp(static_cast<std::streamoff>(bytes.find("ABCDEF")));
             io << "ABCDEX";
             return f;
         },
         "3D/3dmodel.model: the zip entry's checksum does not match its data"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path file = c.make(folder.path() / (std::string(c.name) + ".3mf"));
        try {
            loadMeshFile(file, {});
            ADD_FAILURE() << "no error";
        } catch (const sh::DesignError& error) {
            EXPECT_EQ(error.what(), file.string() + ": " + c.message);
        }
    }
}

} // namespace
