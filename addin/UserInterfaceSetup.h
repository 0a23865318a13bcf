#pragma once
// The add-in's commands and buttons in the host's user interface.

#include <Core/CoreAll.h>

// Adds the render button to the quick-access toolbar "QAT", and the render
// and export buttons to the panel "RenderPanel" of the workspace
// "FusionRenderEnvironment" (a missing workspace or panel falls back to the
// last one listed), each hooked to its command-created handler.
//
// A button that is already there (left from an earlier run while the host
// kept running) is neither added nor hooked again; a command definition that
// is already there is reused and hooked again.
//
// Returns false when a panel button could not be made (no command-created
// event, or no control came back); true otherwise, also when there is no
// workspace or panel to put the buttons in. A missing toolbar "QAT", missing
// toolbar controls or a missing panel collection raise the host's exception.
bool setupUserInterface(adsk::core::Ptr<adsk::core::Workspaces> workspaces,
                        adsk::core::Ptr<adsk::core::Toolbars> toolbars,
                        adsk::core::Ptr<adsk::core::CommandDefinitions> commandDefinitions);
