#pragma once
// The add-in's one translator object. It holds what lives from one command to
// the next (the scene sink's wrapper, the unit factors, the change records of
// the last transfer) and walks a host document into a scene graph: one group
// per component placement, one group per body, one group per appearance of a
// body's faces holding the display meshes.
//
// The command flows that drive it (exportToFile, renderLive) belong to the
// add-in shell (addin/CommandFlows.h).

#include <map>
#include <memory>
#include <string>
#include <utility>

#include <Core/CoreAll.h>
#include <Fusion/FusionAll.h>

#include "ComponentRecord.h"

namespace vel {
class TriangleObject;
class VelGroup;
class velSceneapi_oo;
} // namespace vel

class FusionExporter {
public:
    using RecordMap = std::map<std::string, vel::ComponentRecord>;

    FusionExporter(adsk::core::Ptr<adsk::core::UserInterface> userInterface,
                   adsk::core::Ptr<adsk::core::Application> application);
    ~FusionExporter();
    FusionExporter(const FusionExporter&) = delete;
    FusionExporter& operator=(const FusionExporter&) = delete;

    // Design traversal with change detection.

    // The root group, named after the document, with one child per design.
    // Afterwards sentRecords is a copy of currentRecords.
    std::shared_ptr<vel::VelGroup> buildScene(adsk::core::Ptr<adsk::core::Document> document);
    // One placement of a component: flag word 1 (unchanged, no bodies) or
    // 32769 (changed), child placements with their transforms. Components
    // nested deeper than vel::kMaxComponentDepth throw vel::DesignRefused.
    std::shared_ptr<vel::VelGroup> translateComponent(adsk::core::Ptr<adsk::fusion::Component> component,
                                                      adsk::core::Ptr<adsk::core::Appearance> inheritedAppearance,
                                                      bool visible);
    vel::ComponentRecord makeComponentRecord(adsk::core::Ptr<adsk::fusion::Component> component,
                                             adsk::core::Ptr<adsk::core::Appearance> inheritedAppearance,
                                             bool visible);

    // Refuses, before anything is written, a design whose scene could not be
    // written as it is: components nested deeper than vel::kMaxComponentDepth,
    // or a length that overflows the scene's 32-bit floats once in the
    // design's unit (a placement, a mesh coordinate of a shown body; with
    // `withCamera` also the active camera, as writeActiveCamera writes it).
    // Throws vel::DesignRefused naming the component path; a missing host
    // object raises as the translation would. Changes nothing.
    void checkDesign(adsk::core::Ptr<adsk::core::Document> document, bool withCamera) const;

    // Units and camera.

    // Design units per metre from the designs' default length unit (1 when
    // there is no design or the unit is unknown); stored as unitsPerMetre.
    float documentUnitsPerMetre(adsk::core::Ptr<adsk::core::Document> document);
    // Writes the active viewport's camera as "Active Camera", unless the view
    // is orthographic or eye and target coincide.
    void writeActiveCamera();

    // Bodies and meshes.

    // The body group: flag word 33793, or 1024 with one child group per
    // distinct face appearance (ordered by appearance id), each holding the
    // display meshes of its faces and sharing one material.
    std::shared_ptr<vel::VelGroup> translateBody(adsk::core::Ptr<adsk::fusion::BRepBody> body,
                                                 adsk::core::Ptr<adsk::core::Appearance> inheritedAppearance,
                                                 bool visible);
    // One display mesh, coordinates scaled to design units.
    std::shared_ptr<vel::TriangleObject> translateMesh(adsk::core::Ptr<adsk::fusion::TriangleMesh> mesh);

    // State, for the flows and for tests.

    vel::velSceneapi_oo* sceneWriter() const { return sceneWriter_.get(); }
    // Makes `writer` the scene writer; the previous one is destroyed.
    void setSceneWriter(std::unique_ptr<vel::velSceneapi_oo> writer);
    // The flows set this to unitsPerMetre / 100 before a pass.
    void setUnitsPerCentimetre(float value) { unitsPerCentimetre_ = value; }
    const RecordMap& sentRecords() const { return sentRecords_; }
    // Forgets what the last transfer sent, so that the next pass sends every
    // component.
    void forgetSentRecords() { sentRecords_.clear(); }
    // Hands the records of the last transfer over and leaves none; a pass
    // made meanwhile sends every component.
    RecordMap releaseSentRecords() { return std::exchange(sentRecords_, RecordMap()); }
    // Puts records handed over by releaseSentRecords back.
    void restoreSentRecords(RecordMap records) { sentRecords_ = std::move(records); }
    const RecordMap& currentRecords() const { return currentRecords_; }
    float unitsPerMetre() const { return unitsPerMetre_; }
    float unitsPerCentimetre() const { return unitsPerCentimetre_; }
    const adsk::core::Ptr<adsk::core::UserInterface>& userInterface() const { return userInterface_; }
    const adsk::core::Ptr<adsk::core::Application>& application() const { return application_; }

private:
    class ComponentTranslation;

    // Design units per metre, as documentUnitsPerMetre finds them, unstored.
    static float lengthUnitsPerMetre(const adsk::core::Ptr<adsk::core::Document>& document);

    // Destroyed in reverse order: the records, the host references, then
    // the wrapper.
    std::unique_ptr<vel::velSceneapi_oo> sceneWriter_;
    adsk::core::Ptr<adsk::core::UserInterface> userInterface_;
    adsk::core::Ptr<adsk::core::Application> application_;
    RecordMap sentRecords_;
    RecordMap currentRecords_;
    float unitsPerMetre_ = 1.0f;
    float unitsPerCentimetre_ = 100.0f;
};
