#pragma once
// The description of a stand-in's scene that the live library's query
// interface hands to the add-in, which looks for its model set in it:
//
//   <scene version="9" process_id="4711">
//     <modelsets>
//       <modelset name="Gearbox" modelset="active">
//         <statistics groups="31" objects="24"/>
//       </modelset>
//     </modelsets>
//   </scene>
//
// The model sets stand three levels down, where the add-in's search finds
// them in every major version (it searches three levels below version 7,
// four from 7 on). The search takes the first element whose "name" is the
// model set's, so nothing else in the description carries a "name". Every
// model set holds an element, so that a scene with model sets never reads as
// empty; an empty scene is "<modelsets/>" without children.

#include "HeldScene.h"

#include <cstdint>
#include <string>

namespace standin::raydeck {

std::string describeScene(const HeldScene& scene, int majorVersion, std::uint64_t processId);

} // namespace standin::raydeck
