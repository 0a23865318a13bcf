#pragma once
// Reading a received transfer (Protocol.h) and applying it to the held
// scene, all or nothing: only a transfer that ends with the end mark and
// reads without a single problem changes the scene; for anything else the
// scene stays exactly as it was and the reason says why.

#include "HeldScene.h"

#include <string>
#include <string_view>

namespace standin::raydeck {

struct TransferVerdict {
    bool accepted = false;
    std::string reason; // when rejected: what is wrong, and where ("12:3: ...")
};

TransferVerdict applyTransfer(std::string_view bytes, HeldScene& scene);

} // namespace standin::raydeck
