#pragma once
// The reader's side of the target: the scene interface that read calls are
// replayed into, with the writer's mode flags tracked. A file does not record
// setModeFlags; the reader learns from the text which mode each call needs
// (indentation on or off, lists as text or binary) and this class calls
// setModeFlags right before a call that needs another mode than the target
// is in.

#include <cstddef>

#include "velScene_api.h"

namespace vel {

// A target that tells "#modify" (change the named camera) from a new camera
// block implements this beside the scene interface; the interface itself has
// no such operation.
class CameraModifier {
public:
    virtual bool modifyCamera(const char* name) = 0;

protected:
    ~CameraModifier() = default;
};

// What one call's output shows of the mode: -1 unknown, 0 off, 1 on.
struct ModeNeed {
    signed char indentation = -1;
    signed char binaryLists = -1;
};

class ReplayTarget {
public:
    // `binaryLists`: the list mode the target was made with. Indentation
    // starts off, as in every fresh writer.
    ReplayTarget(velScene_api& target, bool binaryLists) : target_(target), binary_(binaryLists) {}

    // The target, in the mode that `need` asks for. Inline: once per call
    // read, and the mode seldom changes.
    velScene_api& operator()(const ModeNeed& need)
    {
        if ((need.binaryLists >= 0 && (need.binaryLists != 0) != binary_) ||
            (need.indentation >= 0 && (need.indentation == 0) != indentationOff_))
            switchMode(need);
        ++calls_;
        return target_;
    }

    // "#modify" and a camera block: the file writer's own operation when the
    // target is a writer, a CameraModifier's, else beginCamera.
    bool modifyCamera(const ModeNeed& need, const char* name);

    std::size_t calls() const { return calls_; }

private:
    void switchMode(const ModeNeed& need);

    velScene_api& target_;
    bool binary_;
    bool indentationOff_ = true;
    std::size_t calls_ = 0;
};

} // namespace vel
