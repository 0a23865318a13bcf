// Reading STEP, IGES and BRep files into an XCAF document.

#include "CadDocument.h"
#include "FileChecks.h"
#include "LengthUnits.h"
#include "OcctMessages.h"

#include <StandIn/DesignLoader.h>

#include <BRepTools.hxx>
#include <BRep_Builder.hxx>
#include <IGESCAFControl_Reader.hxx>
#include <IGESData_IGESModel.hxx>
#include <IGESData_GlobalSection.hxx>
#include <Message_ProgressScope.hxx>
#include <STEPCAFControl_ExternFile.hxx>
#include <STEPCAFControl_Reader.hxx>
#include <STEPControl_Reader.hxx>
#include <Standard_Failure.hxx>
#include <TColStd_SequenceOfAsciiString.hxx>
#include <TDataStd_Name.hxx>
#include <TDocStd_Application.hxx>
#include <TopoDS_Shape.hxx>
#include <XCAFApp_Application.hxx>
#include <XCAFDoc_DocumentTool.hxx>
#include <XCAFDoc_ShapeTool.hxx>

#include <algorithm>
#include <optional>
#include <system_error>
#include <utility>

namespace standin::host::cad {

namespace fs = std::filesystem;

namespace {

// The document's unit, in metres, that every reader is asked for.
constexpr double kMillimetre = 0.001;

[[noreturn]] void fail(const std::string& source, const std::string& problem)
{
    throw DesignError(source, "", problem);
}

void beginStage(ImportMonitor* monitor, std::string_view stage, std::size_t total)
{
    if (monitor)
        monitor->begin(stage, total);
}

void endStage(ImportMonitor* monitor)
{
    if (monitor)
        monitor->end();
}

// The most frequent unit among a STEP file's shape representations; an
// assembly of millimetre parts may carry one part in inches.
std::string stepFileUnit(STEPControl_Reader& reader, ImportMonitor* monitor)
{
    TColStd_SequenceOfAsciiString lengths, angles, solidAngles;
    reader.FileUnits(lengths, angles, solidAngles);
    std::vector<std::pair<std::string, int>> counts;
    for (const TCollection_AsciiString& name : lengths) {
        const std::optional<std::string> unit = hostUnitForName(name.ToCString());
        if (!unit) {
            if (monitor)
                monitor->warning(std::string("unknown length unit \"") + name.ToCString() + "\", taken as millimetres");
            continue;
        }
        auto it = std::find_if(counts.begin(), counts.end(), [&](const auto& c) { return c.first == *unit; });
        if (it == counts.end())
            counts.emplace_back(*unit, 1);
        else
            ++it->second;
    }
    if (counts.empty())
        return "mm";
    return std::max_element(counts.begin(), counts.end(),
                            [](const auto& a, const auto& b) { return a.second < b.second; })
        ->first;
}

void readStep(CadDocument& cad, const fs::path& file, ImportMonitor* monitor, MessageCapture& messages)
{
    std::optional<STEPCAFControl_Reader> made;
    {
        FirstUseScope firstUse;
        made.emplace();
    }
    STEPCAFControl_Reader& reader = *made;
    reader.SetColorMode(true);
    reader.SetNameMode(true);
    reader.SetLayerMode(false);
    reader.SetPropsMode(false);

    beginStage(monitor, "reading", 0);
    const IFSelect_ReturnStatus status = reader.ReadFile(file.string().c_str());
    endStage(monitor);
    if (status != IFSelect_RetDone)
        fail(cad.source, messages.firstFailure("not a readable STEP file"));
    if (reader.NbRootsForTransfer() <= 0)
        fail(cad.source, "no shapes in the file");
    cad.lengthUnit = stepFileUnit(reader.ChangeReader(), monitor);

    constexpr std::size_t kSteps = 1000;
    beginStage(monitor, "transferring", kSteps);
    Handle(MonitorProgress) progress = new MonitorProgress(monitor, kSteps);
    Handle(TDocStd_Document) document = cad.document();
    const bool transferred = reader.Transfer(document, progress->Start());
    endStage(monitor);
    if (!transferred)
        fail(cad.source, messages.firstFailure("no shapes could be transferred from the file"));

    // Assemblies may keep parts in files of their own beside them; the
    // reader leaves a part empty when its file is missing.
    if (monitor) {
        using Files = NCollection_DataMap<TCollection_AsciiString, Handle(STEPCAFControl_ExternFile)>;
        for (Files::Iterator it(reader.ExternFiles()); it.More(); it.Next())
            if (it.Value().IsNull() || it.Value()->GetLoadStatus() != IFSelect_RetDone)
                monitor->warning(std::string("the external file \"") + it.Key().ToCString() +
                                 "\" could not be read; its parts are left empty");
    }
}

void readIges(CadDocument& cad, const fs::path& file, ImportMonitor* monitor, MessageCapture& messages)
{
    std::optional<IGESCAFControl_Reader> made;
    {
        FirstUseScope firstUse;
        made.emplace();
    }
    IGESCAFControl_Reader& reader = *made;
    reader.SetColorMode(true);
    reader.SetNameMode(true);
    reader.SetLayerMode(false);

    beginStage(monitor, "reading", 0);
    const IFSelect_ReturnStatus status = reader.ReadFile(file.string().c_str());
    endStage(monitor);
    if (status != IFSelect_RetDone)
        fail(cad.source, messages.firstFailure("not a readable IGES file"));
    if (reader.NbRootsForTransfer() <= 0)
        fail(cad.source, "no shapes in the file");

    const IGESData_GlobalSection& global = reader.IGESModel()->GlobalSection();
    const Handle(TCollection_HAsciiString) unitName = global.UnitName();
    const std::optional<std::string> unit =
        hostUnitForIgesFlag(global.UnitFlag(), unitName.IsNull() ? "" : unitName->ToCString());
    if (!unit && monitor)
        monitor->warning("unknown length unit flag " + std::to_string(global.UnitFlag()) + ", taken as millimetres");
    cad.lengthUnit = unit.value_or("mm");

    constexpr std::size_t kSteps = 1000;
    beginStage(monitor, "transferring", kSteps);
    Handle(MonitorProgress) progress = new MonitorProgress(monitor, kSteps);
    Handle(TDocStd_Document) document = cad.document();
    const bool transferred = reader.Transfer(document, progress->Start());
    endStage(monitor);
    if (!transferred)
        fail(cad.source, messages.firstFailure("no shapes could be transferred from the file"));
}

void readBrep(CadDocument& cad, const fs::path& file, ImportMonitor* monitor, MessageCapture& messages)
{
    beginStage(monitor, "reading", 0);
    TopoDS_Shape shape;
    BRep_Builder builder;
    const bool read = BRepTools::Read(shape, file.string().c_str(), builder);
    endStage(monitor);
    if (!read)
        fail(cad.source, "not a readable BRep file: " + messages.firstFailure("unknown format"));
    if (shape.IsNull())
        fail(cad.source, "no shapes in the file");
    Handle(XCAFDoc_ShapeTool) shapes = XCAFDoc_DocumentTool::ShapeTool(cad.document()->Main());
    const TDF_Label label = shapes->AddShape(shape, false);
    TDataStd_Name::Set(label, TCollection_ExtendedString(cad.name.c_str(), true));
    cad.lengthUnit = "mm";
}

} // namespace

CadDocument::CadDocument()
{
    FirstUseScope firstUse;
    Handle(TDocStd_Application) application = XCAFApp_Application::GetApplication();
    application->NewDocument("MDTV-XCAF", document_);
}

CadDocument::~CadDocument()
{
    if (!document_.IsNull() && document_->IsOpened())
        Handle(TDocStd_Application)::DownCast(document_->Application())->Close(document_);
}

CadDocument::CadDocument(CadDocument&& other) noexcept
    : source(std::move(other.source)), name(std::move(other.name)), lengthUnit(std::move(other.lengthUnit)),
      centimetresPerUnit(other.centimetresPerUnit), document_(std::move(other.document_))
{
    other.document_.Nullify();
}

CadDocument& CadDocument::operator=(CadDocument&& other) noexcept
{
    if (this != &other) {
        CadDocument gone(std::move(*this));
        source = std::move(other.source);
        name = std::move(other.name);
        lengthUnit = std::move(other.lengthUnit);
        centimetresPerUnit = other.centimetresPerUnit;
        document_ = std::move(other.document_);
        other.document_.Nullify();
    }
    return *this;
}

CadDocument readCadFile(const fs::path& file, CadFormat format, ImportMonitor* monitor)
{
    CadDocument cad;
    cad.source = file.string();
    cad.name = file.stem().string();
    checkReadable(file, cad.source);
    // The STEP reader finds the external files of an assembly beside the
    // main file only when given its full path.
    std::error_code error;
    const fs::path absolute = fs::absolute(file, error);
    const fs::path& path = error ? file : absolute;

    MessageCapture messages;
    XCAFDoc_DocumentTool::SetLengthUnit(cad.document(), kMillimetre);
    try {
        switch (format) {
        case CadFormat::Step:
            readStep(cad, path, monitor, messages);
            break;
        case CadFormat::Iges:
            readIges(cad, path, monitor, messages);
            break;
        case CadFormat::Brep:
            readBrep(cad, path, monitor, messages);
            break;
        }
    } catch (const Standard_Failure& failure) {
        const char* what = failure.GetMessageString();
        fail(cad.source, std::string("the reader failed: ") +
                             (what && *what ? what : failure.DynamicType()->Name()));
    }

    // What the readers converted to (the document says so once they are
    // done; nothing else may have changed it, but trust only the document).
    Standard_Real metres = kMillimetre;
    if (!XCAFDoc_DocumentTool::GetLengthUnit(cad.document(), metres) || !(metres > 0))
        metres = kMillimetre;
    cad.centimetresPerUnit = metres * 100.0;

    Handle(XCAFDoc_ShapeTool) shapes = XCAFDoc_DocumentTool::ShapeTool(cad.document()->Main());
    TDF_LabelSequence free;
    shapes->GetFreeShapes(free);
    bool any = false;
    for (const TDF_Label& label : free)
        any = any || !shapes->GetShape(label).IsNull();
    if (!any)
        fail(cad.source, "no shapes in the file");
    return cad;
}

} // namespace standin::host::cad
