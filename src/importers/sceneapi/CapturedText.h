#pragma once
// The text of an anonymous shader, captured while the shader is written so
// that it can be placed later where a value goes. Callers of the scene
// interface hold it only as the opaque ShaderText handle.

#include <cstddef>
#include <memory>
#include <string_view>

#include "OutputSink.h"
#include "velTypes.h"

namespace vel {

class CapturedText : public OutputSink {
public:
    CapturedText() = default;

    std::string_view text() const
    {
        return std::string_view(bytes_.get(), static_cast<std::size_t>(position() - bytes_.get()));
    }

    // Set once any piece with an explicit byte length went in (a hex name, a
    // binary block, another captured text holding binary): such a text is
    // inserted byte for byte, never re-indented.
    bool holdsBinary() const { return holdsBinary_; }
    void markBinary() { holdsBinary_ = true; }

private:
    // Grows to the piece's length plus twice (the room plus 256): roughly
    // doubling, so that appending stays linear.
    void makeRoom(std::size_t size) override;

    std::unique_ptr<char[]> bytes_;
    std::size_t room_ = 0;
    bool holdsBinary_ = false;
};

} // namespace vel

// The handle type of the scene interface is the captured text itself.
struct velShaderTextData final : vel::CapturedText {};
