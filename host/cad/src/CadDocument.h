#pragma once
// A CAD file read into an OpenCASCADE XCAF document, and the steps from
// there to the host's plain design data. The steps are separate so that a
// benchmark can time them apart and hand the same triangulation to another
// writer.
//
// The document is always in millimetres: the readers are asked for them
// (XCAF converts from the file's unit while reading), and a .brep file has
// no unit of its own. The file's unit is kept for the design's default
// length unit.

#include <StandIn/AnyFormat.h>
#include <StandIn/DesignData.h>

#include <TDocStd_Document.hxx>

#include <filesystem>
#include <string>

namespace standin::host::cad {

enum class CadFormat { Step, Iges, Brep };

class CadDocument {
public:
    CadDocument();
    ~CadDocument();
    CadDocument(CadDocument&& other) noexcept;
    CadDocument& operator=(CadDocument&& other) noexcept;
    CadDocument(const CadDocument&) = delete;
    CadDocument& operator=(const CadDocument&) = delete;

    const Handle(TDocStd_Document)& document() const { return document_; }

    /// The file, as messages name it.
    std::string source;
    /// The document's name: the file name without its extension.
    std::string name;
    /// The file's length unit as the host names units ("mm", "in", ...).
    std::string lengthUnit = "mm";
    /// Centimetres per unit of the document's coordinates.
    double centimetresPerUnit = 0.1;

private:
    Handle(TDocStd_Document) document_;
};

/// Reads a STEP, IGES or BRep file. Throws DesignError.
CadDocument readCadFile(const std::filesystem::path& file, CadFormat format, ImportMonitor* monitor);

/// Triangulates every part of the document (each part once, however often
/// it is placed) and gives every triangulation node normals, so that every
/// writer finds the same display meshes in the document.
void triangulate(const CadDocument& document, const ImportOptions& options);

/// Where translateCadDocument spent its time, for benchmarks.
struct CadTranslationTimes {
    double physicalSeconds = 0; ///< exact areas and volumes (wall clock)
    double totalSeconds = 0;
};

/// The document as the host's design: components, occurrences, bodies and
/// faces with the display meshes of the triangulation (run triangulate
/// first; faces without one get no display mesh, with a warning),
/// appearances, light bulbs, physical properties, units and view.
DesignData translateCadDocument(const CadDocument& document, ImportMonitor* monitor,
                                CadTranslationTimes* times = nullptr);

} // namespace standin::host::cad
