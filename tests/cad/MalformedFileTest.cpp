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

#include <cstdio>
#include <fstream>
#include <unistd.h>

namespace {

using namespace cadtest;
using ::testing::HasSubstr;
using ::testing::StartsWith;

// Everything written to file descriptor 1 while it lives.
class StdoutCapture {
public:
    StdoutCapture()
    {
        std::fflush(stdout);
        saved_ = dup(1);
        file_ = std::tmpfile();
        dup2(fileno(file_), 1);
    }
    ~StdoutCapture()
    {
        if (saved_ >= 0)
            finish();
        if (file_)
            std::fclose(file_);
    }
    std::string finish()
    {
        std::fflush(stdout);
        dup2(saved_, 1);
        close(saved_);
        saved_ = -1;
        std::string text;
        std::rewind(file_);
        char buffer[4096];
        std::size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof buffer, file_)) > 0)
            text.append(buffer, n);
        return text;
    }

private:
    int saved_ = -1;
    std::FILE* file_ = nullptr;
};

struct Rejected {
    std::string message;
    std::string source;
    std::string printed;
};

Rejected loadRejected(const fs::path& file)
{
    Rejected r;
    StdoutCapture capture;
    try {
        sh::loadDesignAnyFormat(file);
        ADD_FAILURE() << file << " was accepted";
    } catch (const sh::DesignError& e) {
        r.message = e.what();
        r.source = e.source();
    }
    r.printed = capture.finish();
    return r;
}

void write(const fs::path& file, const std::string& text)
{
    std::ofstream(file, std::ios::binary) << text;
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

TEST_F(Malformed, MissingEmptyAndUnknownFiles)
{
    EditedCopy scratch(__FILE__);
    expectRejected(scratch.folder() / "absent.step", "cannot open file: no such file");
    write(scratch.folder() / "empty.stp", "");
    expectRejected(scratch.folder() / "empty.stp", "empty file");
    write(scratch.folder() / "empty.glb", "");
    expectRejected(scratch.folder() / "empty.glb", "empty file");
    fs::create_directory(scratch.folder() / "folder.step");
    expectRejected(scratch.folder() / "folder.step", "cannot open file: it is a folder");
    write(scratch.folder() / "model.xyz", "solid");
    expectRejected(scratch.folder() / "model.xyz", "unknown file type \".xyz\"");
}

TEST_F(Malformed, BrokenStepFiles)
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
    {
        EditedCopy copy(file);
        copy.text() = "this is not a STEP file\n";
        expectRejected(copy.write(), "STEP");
    }
}

TEST_F(Malformed, BrokenIgesAndBrepFiles)
{
    EditedCopy scratch(__FILE__);
    write(scratch.folder() / "junk.igs", "this is not an IGES file\n");
    expectRejected(scratch.folder() / "junk.igs", "");
    write(scratch.folder() / "junk.brep", "this is not a BRep file\n");
    expectRejected(scratch.folder() / "junk.brep", "not a readable BRep file");

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

    EditedCopy scratch(__FILE__);
    write(scratch.folder() / "points.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\n");
    expectRejected(scratch.folder() / "points.obj", "");
}

TEST_F(Malformed, AGoodImportPrintsNothingEither)
{
    const fs::path file = caxIf("as1-oc-214.stp");
    CAD_REQUIRE_FILE(file);
    StdoutCapture capture;
    const sh::DesignData design = sh::loadDesignAnyFormat(file);
    EXPECT_EQ(capture.finish(), "");
    EXPECT_FALSE(design.components.empty());
    EXPECT_EQ(Message::DefaultMessenger()->Printers().Length(), 1);
}

TEST(ImportOptions, OutOfRangeOptionsAreRefusedByName)
{
    sh::ImportOptions options;
    EXPECT_NO_THROW(sh::checkImportOptions(options));
    auto refused = [](sh::ImportOptions o, const std::string& name) {
        try {
            sh::checkImportOptions(o);
            ADD_FAILURE() << name << " accepted";
        } catch (const std::invalid_argument& e) {
            EXPECT_THAT(e.what(), StartsWith(name + ":"));
        }
    };
    options.deflection = -1;
    refused(options, "deflection");
    options.deflection = std::nan("");
    refused(options, "deflection");
    options = {};
    options.relativeDeflection = 0;
    refused(options, "relative deflection");
    options.deflection = 0.1; // an absolute deflection makes the relative one unused
    EXPECT_NO_THROW(sh::checkImportOptions(options));
    options = {};
    options.angularDeflection = 0;
    refused(options, "angular deflection");
    options = {};
    options.meshUnit = "furlong";
    refused(options, "mesh unit");
    EXPECT_EQ(sh::designFormatOf("a/Part.STP"), sh::DesignFormat::Step);
    EXPECT_EQ(sh::designFormatOf("gearbox.Design.JSON"), sh::DesignFormat::DesignDocument);
    EXPECT_EQ(sh::designFormatOf("plain.json"), std::nullopt);
    EXPECT_EQ(sh::designFormatOf("scan.PLY"), sh::DesignFormat::Mesh);
}

} // namespace
