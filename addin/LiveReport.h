#pragma once
// The lines a click on "Render in RayDeck 8" writes to the host's text log
// (Application::log), one per step, so that the user can see what the live
// link did without looking into RayDeck:
//
//   RayDeck 9 installation: live library /opt/raydeck/bin/velraydecklive6_64.so
//   launched RayDeck 9: process 4711, port 5000
//   sent 17 components, 2 changed and 15 unchanged: 6 meshes, 1184 triangles, 28416 bytes of geometry
//   RayDeck accepted the transfer
//
// A failure ends the lines with the reason that the message box shows.

#include <livelink/LiveConnection.h>

#include <cstddef>
#include <string>

namespace vel {
class VelGroup;
}

namespace addin {

// What one transfer's scene graph sends: component placements by their flag
// word, and the meshes with their geometry.
struct SentScene {
    std::size_t changedComponents = 0;   // sent with their bodies
    std::size_t unchangedComponents = 0; // sent without them
    std::size_t meshes = 0;
    std::size_t triangles = 0;
    std::size_t geometryBytes = 0; // the meshes' arrays, 4 bytes an element
};

// Walks the tree without recursion: a design may nest thousands of levels.
SentScene countSent(const vel::VelGroup& root);

// The installation whose live library was loaded; empty when none was.
std::string installationLine(const vel::live::ConnectionReport& report);
// Which RayDeck: launched, reused (it shows `modelSetName`) or found
// running (it gets `modelSetName` as a new scene), with its process id and
// port; or the registered port that answered. Empty when the connection got no further than the library.
std::string processLine(const vel::live::ConnectionReport& report, bool reusing, const std::string& modelSetName);
std::string sentLine(const SentScene& sent);

} // namespace addin
