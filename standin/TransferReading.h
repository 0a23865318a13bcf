#pragma once
// Reading a received transfer (Protocol.h) and applying it to the held
// scene, all or nothing: only a transfer that ends with the end mark and
// reads without a single problem changes the scene; for anything else the
// scene stays exactly as it was and the reason says why.

#include "HeldScene.h"

#include <sceneapi/SceneReader.h>

#include <string>
#include <string_view>

namespace standin::raydeck {

struct TransferVerdict {
    bool accepted = false;
    std::string reason; // when rejected: what is wrong, and where ("12:3: ...")
};

// With `reader`, which a server keeps from transfer to transfer (its memory
// for lists is then already there); without, with a reader of its own.
TransferVerdict applyTransfer(std::string_view bytes, HeldScene& scene, vel::SceneReader& reader);
TransferVerdict applyTransfer(std::string_view bytes, HeldScene& scene);

} // namespace standin::raydeck
