#pragma once
// The ids, names, tooltips and icon folders of the add-in's commands, and the
// places in the host's user interface where their buttons go.
//
// Every id starts with the product word and the major version, so that the
// add-in of another RayDeck version installed beside this one gets commands
// of its own; the render command's name and tooltip carry the version too.

#include <string>

namespace addin {

inline constexpr int kRayDeckVersion = 8;

struct CommandTexts {
    std::string renderIdOnToolbar; // "rayDeck8RenderCommandOnQATCPP"
    std::string renderIdOnPanel;   // "rayDeck8RenderCommandOnPanelCPP"
    std::string exportIdOnPanel;   // "rayDeck8ExportCommandOnPanelCPP"
    std::string renderName;        // "Render in RayDeck 8"
    std::string renderTooltip;
    std::string exportName;        // "Export to RayDeck .rdk"
    std::string exportTooltip;
};

// Builds the texts from the product word and kRayDeckVersion.
CommandTexts commandTexts();

inline constexpr const char* kRenderResourceFolder = "./resources/render_command";
inline constexpr const char* kExportResourceFolder = "./resources/export_command";

// Where the buttons go: the quick-access toolbar gets the render button, the
// render panel of the render workspace gets both.
inline constexpr const char* kToolbarId = "QAT";
inline constexpr const char* kWorkspaceId = "FusionRenderEnvironment";
inline constexpr const char* kPanelId = "RenderPanel";

} // namespace addin
