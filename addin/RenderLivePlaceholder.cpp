// Stands in for the render command's flow until the live link is built: the
// command tells the user so, in the message box that a failed live link
// shows, and changes nothing.

#include "FusionExporter.h"

void FusionExporter::renderLive(adsk::core::Ptr<adsk::core::Document> document)
{
    // As the live flow does, an empty document raises the host's exception.
    static_cast<void>(document->name());
    userInterface_->messageBox("Live link failed. Reason: \"this build of the add-in has no live link yet\"", "",
                               adsk::core::OKButtonType, adsk::core::NoIconIconType);
}
