#pragma once
// The wrapper of a finished command stays the exporter's scene writer, but
// the interface it wrote through belonged to the factory (the file writer, or
// the live library, which is unloaded with it). Detaching it when the command
// ends, however it ends, leaves it pointing at nothing rather than at freed
// memory or unloaded code.

#include <sceneapi/velSceneapi_oo.h>
#include <translate/FusionExporter.h>

class DetachWhenDone {
public:
    explicit DetachWhenDone(const FusionExporter& exporter) : exporter_(exporter) {}
    ~DetachWhenDone()
    {
        if (vel::velSceneapi_oo* writer = exporter_.sceneWriter())
            writer->attach(nullptr);
    }
    DetachWhenDone(const DetachWhenDone&) = delete;
    DetachWhenDone& operator=(const DetachWhenDone&) = delete;

private:
    const FusionExporter& exporter_;
};
