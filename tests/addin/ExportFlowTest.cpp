// The export command's flow on a FusionExporter of its own: the save dialog,
// what the exporter keeps and restores around an export, and how failures
// leave it.

#include "AddinTestSupport.h"

#include <addin/CommandFlows.h>
#include <scene/VelGroup.h>
#include <sceneapi/velSceneapi_oo.h>

#include <tests/support/Sandbox.h>

#include <stdexcept>

using namespace addintest;
using adsk::core::Ptr;

namespace {

class ExportFlow : public OwnExporter {
protected:
    static Ptr<adsk::core::Document> activeDocument()
    {
        return adsk::core::Application::get()->activeDocument();
    }

    // Exports the active document with `answer` in the save dialog.
    void exportTo(const std::string& answer)
    {
        sh::answerFileDialogs(answer);
        exportToFile(*exporter, activeDocument());
    }

    rdtest::TempDir dir;
};

::testing::AssertionResult sameRecords(const FusionExporter::RecordMap& a, const FusionExporter::RecordMap& b)
{
    if (a.size() != b.size())
        return ::testing::AssertionFailure() << a.size() << " records against " << b.size();
    for (auto i = a.begin(), j = b.begin(); i != a.end(); ++i, ++j)
        if (i->first != j->first || vel::recordsDiffer(i->second, j->second))
            return ::testing::AssertionFailure() << "the records of " << i->first << " differ";
    return ::testing::AssertionSuccess();
}

} // namespace

// The dialog offers the document's name in the documents folder; no file
// chosen, or none opened, leaves the exporter as it was.
TEST_F(ExportFlow, TheSaveDialogAndNoFileChosenOrOpened)
{
    sh::openDesignFile(testDesign("01_gearbox.design.json"));
    exportTo(dir / "first.rdk");
    exporter->buildScene(activeDocument()); // as a live transfer does
    const vel::velSceneapi_oo* writer = exporter->sceneWriter();
    const FusionExporter::RecordMap sent = exporter->sentRecords();
    const FusionExporter::RecordMap current = exporter->currentRecords();
    ASSERT_FALSE(sent.empty());
    ASSERT_EQ(exporter->unitsPerMetre(), 1000.0f);
    ASSERT_EQ(exporter->unitsPerCentimetre(), 10.0f);

    // An unnamed document without a design, which an export would measure anew.
    sh::openDesignFile(testDesign("02_minimal.design.json"));
    sh::cancelFileDialogs();
    exportToFile(*exporter, activeDocument());
    sh::setFileDialogAnswer(adsk::core::DialogOK, ""); // confirmed, but no name
    exportToFile(*exporter, activeDocument());
    sh::setFileDialogAnswer(adsk::core::DialogError, (dir / "error.rdk"));
    exportToFile(*exporter, activeDocument());
    // A file that cannot be opened fails before anything changes.
    EXPECT_THROW(exportTo(dir / "missing/x.rdk"), std::runtime_error);

    const auto dialogs = sh::shownFileDialogs();
    ASSERT_EQ(dialogs.size(), 5u);
    EXPECT_EQ(dialogs[0].filter, "RayDeck scene (*.rdk)");
    EXPECT_EQ(dialogs[0].filterIndex, 0);
    EXPECT_EQ(dialogs[0].initialDirectory, "%CSIDL_MYDOCUMENTS%");
    // The name as it is, version and all, without an extension.
    EXPECT_EQ(dialogs[0].initialFilename, "Gearbox v3");
    EXPECT_EQ(dialogs[1].initialFilename, "Untitled.rdk");
    EXPECT_EQ(exporter->sceneWriter(), writer);
    EXPECT_TRUE(sameRecords(exporter->sentRecords(), sent));
    EXPECT_TRUE(sameRecords(exporter->currentRecords(), current));
    EXPECT_EQ(exporter->unitsPerMetre(), 1000.0f);
    EXPECT_EQ(exporter->unitsPerCentimetre(), 10.0f);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

// A failed export puts the live records back too (below); a failed close
// fails the command (HostProgramTest.cpp).
TEST_F(ExportFlow, ExportsWriteEveryBodyAndLeaveTheLiveRecordsForTheNextUpdate)
{
    sh::openDesignFile(testDesign("01_gearbox.design.json"));
    exportTo(dir / "fresh.rdk");
    EXPECT_TRUE(exporter->sentRecords().empty());

    // A live transfer, then an export, then the next live transfer.
    exporter->buildScene(activeDocument());
    const FusionExporter::RecordMap sent = exporter->sentRecords();
    exportTo(dir / "between.rdk");
    EXPECT_TRUE(sameRecords(exporter->sentRecords(), sent));

    const std::string fresh = rdtest::readFile(dir / "fresh.rdk");
    EXPECT_NE(fresh.find("flags 32769"), std::string::npos);
    EXPECT_EQ(rdtest::readFile(dir / "between.rdk"), fresh);

    const std::shared_ptr<vel::VelGroup> update = exporter->buildScene(activeDocument());
    const auto* root = dynamic_cast<const vel::VelGroup*>(update->groups().at(0).get());
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->flags(), 1u) << "the root component was sent again";
}

// An export that fails half way through the design (a host object gone) has
// recorded some of the design in the export's own pass; the live records must
// come back all the same, or the next update would skip components the
// renderer never received in that state.
TEST_F(ExportFlow, AnExportThatRaisesStillPutsTheLiveRecordsBack)
{
    sh::DesignData design = sh::loadDesignFile(testDesign("01_gearbox.design.json"));
    sh::openDesign(design);
    exporter->buildScene(activeDocument());
    const FusionExporter::RecordMap sent = exporter->sentRecords();
    ASSERT_GT(sent.size(), 1u);

    // Missing where only the translation looks, after the file was opened.
    design.components.back().missing.physicalProperties = true;
    sh::openDesign(design);
    EXPECT_THROW(exportTo(dir / "broken.rdk"), std::exception);
    EXPECT_TRUE(sameRecords(exporter->sentRecords(), sent));
    // The wrapper outlives its factory, but points at no freed writer.
    EXPECT_EQ(exporter->sceneWriter()->api(), nullptr);
}
