#pragma once
// How a stand-in applies a transfer to the model set it already holds, as
// RayDeck does with a live update.
//
// A transfer's root group names the model set (the document's name without
// its version suffix) and holds the design's groups, each with a flag word:
//
//   0      the root group                 replaced by the transfer's
//   1      a component, unchanged          sent without its bodies
//   32769  a component, changed            sent in full
//   33793, 1024   a body group (bit 0x400)
//   65536  a face group
//
// The update walks the transfer's tree. Every group takes what the transfer
// gives it: its flag word, its transform, its child groups, in their order.
// A component group flagged unchanged also keeps the body groups (flag bit
// 0x400) that the held model set has at the same place in the tree, after
// its other contents, where a full transfer puts them. Everything else of
// the held model set is dropped. The same place is the same path of group
// names from the root group, a name that repeats among siblings counted by
// its occurrence (the second "Bolt" is the second "Bolt"), so repeated
// placements of one component each keep their own bodies.
//
// Two things make the result the model set of one full transfer of the same
// design, and not just a mixture of two transfers:
//  - a component flagged unchanged is held with the changed flag (32769)
//    afterwards: the flag word of a held group says that it holds its
//    contents, which it now does;
//  - numbered shaders are numbered anew, 1, 2, ... in the order in which a
//    scene file of the held scene defines them, the references following
//    them. Every transfer numbers its shaders from 1, so a kept body's
//    shader 1 and a new body's shader 1 are different shaders; the held
//    scene numbers them as one full transfer would. A reference to a number
//    that no definition before it carries keeps its number.
// Declared ids ("id" lines) are left as they are: the add-in declares none.

#include <sceneapi/model/SceneModel.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace standin::raydeck {

inline constexpr std::uint32_t kComponentBit = 0x1;
inline constexpr std::uint32_t kContentsBit = 0x8000; // the group carries its contents
inline constexpr std::uint32_t kBodyBit = 0x400;
inline constexpr std::uint32_t kUnchangedComponent = kComponentBit;
inline constexpr std::uint32_t kChangedComponent = kComponentBit | kContentsBit;

bool isUnchangedComponent(std::uint32_t flags);
bool isBodyGroup(std::uint32_t flags);

// The model set that the transfer's root group `incoming` makes of the held
// one (`held`: null when there is none). Shares the transfer's and the held
// blocks that it keeps; neither input is changed.
std::shared_ptr<vel::model::Node> updateModelSet(const vel::model::Node& incoming, const vel::model::Node* held);

// The highest shader number defined anywhere below these blocks (0: none).
int highestShaderNumber(const std::vector<std::shared_ptr<vel::model::Node>>& blocks);

// Adds `offset` to every shader number below these blocks, definitions and
// references, so that a transfer's numbers cannot meet the held ones.
void offsetShaderNumbers(const std::vector<std::shared_ptr<vel::model::Node>>& blocks, int offset);

// Numbers the shaders below these blocks 1, 2, ... in the order in which a
// scene file of them, block after block, defines them (see above).
void renumberShaders(const std::vector<std::shared_ptr<vel::model::Node>>& blocks);

} // namespace standin::raydeck
