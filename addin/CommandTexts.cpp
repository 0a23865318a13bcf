#include "CommandTexts.h"

namespace addin {

CommandTexts commandTexts()
{
    const std::string product = "rayDeck";
    const std::string version = std::to_string(kRayDeckVersion);
    CommandTexts texts;
    texts.renderIdOnToolbar = product + version + "RenderCommandOnQATCPP";
    texts.renderIdOnPanel = product + version + "RenderCommandOnPanelCPP";
    texts.exportIdOnPanel = product + version + "ExportCommandOnPanelCPP";
    texts.renderName = "Render in RayDeck " + version;
    texts.renderTooltip = "This command transfers the current scene to RayDeck " + version +
                          ". Click again to update the scene with any changes.";
    texts.exportName = "Export to RayDeck .rdk";
    texts.exportTooltip = "This command exports the current scene to a RayDeck .rdk file.";
    return texts;
}

} // namespace addin
