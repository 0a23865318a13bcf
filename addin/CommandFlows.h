#pragma once
// The two command flows the executed handlers run on the add-in's exporter.
// Both follow one order: a factory opens the sink, a new wrapper on it
// becomes the exporter's scene writer, the render-options module (and, live,
// the camera) is emitted, then the scene graph of the document; the factory
// goes last, closing the file or disconnecting.

#include <Core/CoreAll.h>

class FusionExporter;

// Asks for a file name in the save dialog and writes the document there.
// Cancelling writes nothing and leaves the exporter as it was. A file that
// cannot be written throws (std::runtime_error), so the command fails; so
// does a design the scene cannot hold (vel::DesignRefused, before the file is
// opened).
void exportToFile(FusionExporter& exporter, adsk::core::Ptr<adsk::core::Document> document);

// Streams the document into a running RayDeck over the live link; components
// unchanged since the last transfer go without their geometry. Each step goes
// to the host's text log (LiveReport.h). A link that cannot be made is
// reported in a message box and nothing else changes; so is a design the
// scene cannot hold, before anything is sent. A transfer that RayDeck does
// not confirm is reported likewise, and the next click sends everything.
void renderLive(FusionExporter& exporter, adsk::core::Ptr<adsk::core::Document> document);
