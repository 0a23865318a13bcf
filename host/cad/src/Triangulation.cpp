// Display meshes of every part: BRepMesh with a deflection per part, then
// node normals from the exact surface.

#include "CadDocument.h"
#include "OcctMessages.h"

#include <BRepBndLib.hxx>
#include <BRepMesh_IncrementalMesh.hxx>
#include <BRep_Tool.hxx>
#include <Bnd_Box.hxx>
#include <GeomLProp_SLProps.hxx>
#include <Geom_Surface.hxx>
#include <IMeshTools_Parameters.hxx>
#include <Message_ProgressScope.hxx>
#include <Poly_Triangulation.hxx>
#include <Precision.hxx>
#include <Standard_Failure.hxx>
#include <TDF_LabelSequence.hxx>
#include <TopExp.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopoDS.hxx>
#include <XCAFDoc_DocumentTool.hxx>
#include <XCAFDoc_ShapeTool.hxx>

#include <cmath>
#include <string>
#include <vector>

namespace standin::host::cad {

namespace {

// Normals of the face's surface at the triangulation's nodes, in the
// triangulation's frame and the surface's own orientation (the face's
// orientation is applied by whoever reads them, as for any triangulation).
// Where the surface has no normal (the apex of a cone, the pole of a
// sphere) or the triangulation has no surface parameters, the average of
// the neighbouring triangles' normals stands in.
void addNormals(const TopoDS_Face& face, const Handle(Poly_Triangulation)& triangulation,
                const TopLoc_Location& triangulationLocation)
{
    const int nodes = triangulation->NbNodes();
    TopLoc_Location surfaceLocation;
    const Handle(Geom_Surface) surface = BRep_Tool::Surface(face, surfaceLocation);
    std::vector<gp_Dir> exact(static_cast<std::size_t>(nodes));
    std::vector<bool> defined(static_cast<std::size_t>(nodes), false);
    bool allDefined = false;
    if (!surface.IsNull() && triangulation->HasUVNodes()) {
        // Both frames are the face's as a rule; when they differ, surface
        // normals are carried into the triangulation's frame.
        const bool sameFrame = surfaceLocation.IsEqual(triangulationLocation);
        const gp_Trsf toTriangulation =
            sameFrame ? gp_Trsf() : (triangulationLocation.Inverted() * surfaceLocation).Transformation();
        GeomLProp_SLProps props(surface, 1, Precision::Confusion());
        allDefined = true;
        for (int i = 1; i <= nodes; ++i) {
            const gp_Pnt2d uv = triangulation->UVNode(i);
            props.SetParameters(uv.X(), uv.Y());
            if (props.IsNormalDefined()) {
                gp_Dir normal = props.Normal();
                if (!sameFrame)
                    normal.Transform(toTriangulation);
                exact[static_cast<std::size_t>(i - 1)] = normal;
                defined[static_cast<std::size_t>(i - 1)] = true;
            } else {
                allDefined = false;
            }
        }
    }
    if (allDefined) {
        triangulation->AddNormals();
    } else {
        triangulation->ComputeNormals();
    }
    for (int i = 1; i <= nodes; ++i)
        if (defined[static_cast<std::size_t>(i - 1)])
            triangulation->SetNormal(i, exact[static_cast<std::size_t>(i - 1)]);
}

double diagonal(const TopoDS_Shape& shape)
{
    Bnd_Box box;
    BRepBndLib::Add(shape, box, false);
    if (box.IsVoid())
        return 0.0;
    return std::sqrt(box.SquareExtent());
}

} // namespace

void triangulate(const CadDocument& document, const ImportOptions& options)
{
    Handle(XCAFDoc_ShapeTool) shapes = XCAFDoc_DocumentTool::ShapeTool(document.document()->Main());
    TDF_LabelSequence labels;
    shapes->GetShapes(labels);

    struct Part {
        TopoDS_Shape shape;
        TopTools_IndexedMapOfShape faces;
    };
    std::vector<Part> parts;
    std::size_t totalFaces = 0;
    for (const TDF_Label& label : labels) {
        if (XCAFDoc_ShapeTool::IsAssembly(label))
            continue;
        Part part;
        part.shape = XCAFDoc_ShapeTool::GetShape(label);
        if (part.shape.IsNull())
            continue;
        TopExp::MapShapes(part.shape, TopAbs_FACE, part.faces);
        if (part.faces.IsEmpty())
            continue;
        totalFaces += static_cast<std::size_t>(part.faces.Extent());
        parts.push_back(std::move(part));
    }

    ImportMonitor* monitor = options.monitor;
    if (monitor)
        monitor->begin("triangulating", totalFaces);
    Handle(MonitorProgress) progress = new MonitorProgress(monitor, totalFaces);
    Message_ProgressScope scope(progress->Start(), "triangulating", static_cast<Standard_Real>(totalFaces));

    // The document is in millimetres (CadDocument.h).
    const double millimetresPerUnit = document.centimetresPerUnit * 10.0;
    for (const Part& part : parts) {
        const Standard_Real weight = static_cast<Standard_Real>(part.faces.Extent());
        IMeshTools_Parameters parameters;
        parameters.Deflection = options.deflection > 0 ? options.deflection / millimetresPerUnit
                                                       : options.relativeDeflection * diagonal(part.shape);
        parameters.Angle = options.angularDeflection;
        parameters.InParallel = Standard_True;
        parameters.Relative = Standard_False;
        if (!(parameters.Deflection > Precision::Confusion())) {
            scope.Next(weight);
            continue;
        }
        try {
            BRepMesh_IncrementalMesh mesher(part.shape, parameters, scope.Next(weight));
        } catch (const Standard_Failure& failure) {
            // Its faces go without display meshes; translateCadDocument
            // counts them.
            if (monitor)
                monitor->warning(std::string("a part could not be triangulated: ") +
                                 (failure.GetMessageString() && *failure.GetMessageString()
                                      ? failure.GetMessageString()
                                      : failure.DynamicType()->Name()));
            continue;
        }

        for (int i = 1; i <= part.faces.Extent(); ++i) {
            const TopoDS_Face& face = TopoDS::Face(part.faces(i));
            TopLoc_Location location;
            const Handle(Poly_Triangulation)& triangulation = BRep_Tool::Triangulation(face, location);
            if (!triangulation.IsNull() && triangulation->NbTriangles() > 0 && !triangulation->HasNormals())
                addNormals(face, triangulation, location);
        }
    }
    if (monitor)
        monitor->end();
}

} // namespace standin::host::cad
