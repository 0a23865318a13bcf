// Files that cannot become a design: each is rejected with a DesignError
// that names the file and says what is wrong, nothing reaches standard
// output (where a scene may be going), and OpenCASCADE's messenger is left
// as it was found.

#include "CadTestSupport.h"

#include <StandIn/DesignLoader.h>

#include <Message.hxx>
#include <Message_Messenger.hxx>
#include <Message_PrinterOStream.hxx>

#include <gmock/gmock.h>

#include <cmath>
#include <functional>
#include <optional>

namespace {

using namespace cadtest;
using ::testing::HasSubstr;
using ::testing::StartsWith;

struct Rejected {
    std::string message;
    std::string source;
    std::string printed; // on file descriptor 1
};

Rejected loadRejected(const fs::path& file)
{
    Rejected r;
    testing::internal::CaptureStdout();
    try {
        sh::loadDesignAnyFormat(file);
        ADD_FAILURE() << file << " was accepted";
    } catch (const sh::DesignError& e) {
        r.message = e.what();
        r.source = e.source();
    }
    r.printed = testing::internal::GetCapturedStdout();
    return r;
}

class Malformed : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The messenger as a program finds it: one printer to standard output.
        Message::DefaultMessenger()->ChangePrinters().Clear();
        Message::DefaultMessenger()->AddPrinter(new Message_PrinterOStream());
    }
    void expectRejected(const fs::path& file, const std::string& problem)
    {
        SCOPED_TRACE(file.string());
        const Rejected r = loadRejected(file);
        EXPECT_EQ(r.source, file.string());
        EXPECT_THAT(r.message, StartsWith(file.string() + ": "));
        EXPECT_THAT(r.message, HasSubstr(problem));
        EXPECT_EQ(r.printed, "") << "standard output must stay clean";
        EXPECT_EQ(Message::DefaultMessenger()->Printers().Length(), 1) << "the messenger's printer is back";
    }
};

TEST_F(Malformed, MissingEmptyUnknownAndJunkFiles)
{
    struct Case {
        const char* name;
        std::optional<std::string> content; // none: no such file
        const char* problem;
    };
    const Case cases[] = {
        {"absent.step", std::nullopt, "cannot open file: no such file"},
        {"empty.stp", "", "empty file"},
        {"empty.glb", "", "empty file"},
        {"model.xyz", "solid", "unknown file type \".xyz\""},
        {"junk.igs", "this is not an IGES file\n", ""},
        {"junk.step", "this is not a STEP file\n", "STEP"},
        {"junk.brep", "this is not a BRep file\n", "not a readable BRep file"},
        {"points.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\n", ""},
    };
    rdtest::TempDir scratch;
    for (const Case& c : cases) {
        if (c.content)
            rdtest::writeFile(scratch / c.name, *c.content);
        expectRejected(scratch.path() / c.name, c.problem);
    }
    fs::create_directory(scratch.path() / "folder.step");
    expectRejected(scratch.path() / "folder.step", "cannot open file: it is a folder");
}

TEST_F(Malformed, BrokenStepAndBrepFilesAndAGoodOneThatPrintsNothing)
{
    const fs::path file = caxIf("as1-oc-214.stp");
    CAD_REQUIRE_FILE(file);
    {
        // Cut off in the middle of an entity: the parser's line comes back.
        EditedCopy copy(file);
        copy.truncate(copy.text().size() * 2 / 5);
        expectRejected(copy.write(), "Line ");
        expectRejected(copy.write(), "unexpected end of file");
    }
    {
        // A header and an empty data section: nothing to show.
        EditedCopy copy(file);
        copy.truncate(copy.text().find("DATA;") + 6);
        copy.text() += "ENDSEC;\nEND-ISO-10303-21;\n";
        expectRejected(copy.write(), "no shapes in the file");
    }
    // The good file prints nothing either.
    testing::internal::CaptureStdout();
    EXPECT_FALSE(sh::loadDesignAnyFormat(file).components.empty());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    const fs::path bottle = occtData("occ/bottle.brep");
    CAD_REQUIRE_FILE(bottle);
    EditedCopy copy(bottle);
    copy.truncate(copy.text().size() / 2);
    expectRejected(copy.write(), "");
}

TEST_F(Malformed, BrokenMeshFiles)
{
    struct Case {
        fs::path file;
        std::string problem;
    };
    const Case cases[] = {
        {assimpModel("glTF2/IndexOutOfRange/IndexOutOfRange.gltf"), "out-of-range indices"},
        {assimpModel("glTF2/IndexOutOfRange/AllIndicesOutOfRange.gltf"), "has no faces"},
        {assimpModel("glTF2/RecursiveNodes/RecursiveNodes.gltf"), "recursive reference"},
        {assimpModel("glTF2/MissingBin/BoxTextured.gltf"), "BoxTextured0.bin"},
    };
    for (const Case& c : cases) {
        CAD_REQUIRE_FILE(c.file);
        expectRejected(c.file, c.problem);
    }

    const fs::path engine = assimpModel("glTF2/2CylinderEngine-glTF-Binary/2CylinderEngine.glb");
    CAD_REQUIRE_FILE(engine);
    EditedCopy truncated(engine);
    truncated.truncate(truncated.text().size() / 2);
    expectRejected(truncated.write(), "");
}

TEST(ImportOptions, OutOfRangeOptionsAreRefusedByName)
{
    EXPECT_NO_THROW(sh::checkImportOptions({}));
    const std::vector<std::pair<std::string, std::function<void(sh::ImportOptions&)>>> refused = {
        {"deflection", [](sh::ImportOptions& o) { o.deflection = std::nan(""); }},
        {"relative deflection", [](sh::ImportOptions& o) { o.relativeDeflection = 0; }},
        {"angular deflection", [](sh::ImportOptions& o) { o.angularDeflection = 0; }},
        {"mesh unit", [](sh::ImportOptions& o) { o.meshUnit = "furlong"; }},
    };
    for (const auto& [name, change] : refused) {
        sh::ImportOptions options;
        change(options);
        try {
            sh::checkImportOptions(options);
            ADD_FAILURE() << name << " accepted";
        } catch (const std::invalid_argument& e) {
            EXPECT_THAT(e.what(), StartsWith(name + ":"));
        }
    }
    sh::ImportOptions absolute; // an absolute deflection makes the relative one unused
    absolute.relativeDeflection = 0;
    absolute.deflection = 0.1;
    EXPECT_NO_THROW(sh::checkImportOptions(absolute));

    EXPECT_EQ(sh::designFormatOf("a/Part.STP"), sh::DesignFormat::Step);
    EXPECT_EQ(sh::designFormatOf("gearbox.Design.JSON"), sh::DesignFormat::DesignDocument);
    EXPECT_EQ(sh::designFormatOf("plain.json"), std::nullopt);
    EXPECT_EQ(sh::designFormatOf("scan.PLY"), sh::DesignFormat::Mesh);
}

} // namespace
