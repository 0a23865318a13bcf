#include "TransferReading.h"

#include "Protocol.h"

#include <sceneapi/SceneReader.h>
#include <sceneapi/model/SceneBuilder.h>

#include <utility>

namespace standin::raydeck {

namespace {

// The end mark closes the text on a line of its own.
bool endsWithMark(std::string_view bytes)
{
    if (!bytes.ends_with(kEndMark))
        return false;
    return bytes.size() == kEndMark.size() || bytes[bytes.size() - kEndMark.size() - 1] == '\n';
}

} // namespace

TransferVerdict applyTransfer(std::string_view bytes, HeldScene& scene)
{
    vel::SceneReader reader;
    return applyTransfer(bytes, scene, reader);
}

TransferVerdict applyTransfer(std::string_view bytes, HeldScene& scene, vel::SceneReader& reader)
{
    if (!endsWithMark(bytes))
        return {false, "the transfer ended after " + std::to_string(bytes.size())
                           + " bytes without its end mark: the sender stopped before it was complete"};
    vel::model::Scene transfer;
    vel::ReadResult result;
    {
        vel::model::SceneBuilder builder(transfer);
        result = reader.read(bytes, builder);
        builder.finish();
    }
    if (!result.ok()) {
        std::string reason = vel::describe(result.problems.front());
        if (result.problems.size() > 1)
            reason += " (and " + std::to_string(result.problems.size() - 1) + " more problems)";
        return {false, reason};
    }
    scene.apply(std::move(transfer));
    return {true, {}};
}

} // namespace standin::raydeck
