#pragma once
// A factory opens a scene sink, supplies the scene interface that writes into
// it, writes the sink's header and closes the sink again. The object wrapper
// velSceneapi_oo is always constructed on a factory.

class velScene_api;

namespace vel {

class velSceneapi_oo;

class LightFactory {
public:
    // Pure, with an empty body: the class stays abstract even for a derived
    // class that only overrides the destructor.
    virtual ~LightFactory() = 0;

    // The interface of the sink, opening or connecting first where the sink
    // needs it; null when there is none.
    virtual velScene_api* sceneApi() = 0;

    // Writes the sink's header. Called once by the wrapper's construction, and
    // only when sceneApi() gave an interface.
    virtual void writeHeader(velSceneapi_oo& wrapper) = 0;

    // Destroys the interface and closes the sink.
    virtual void close() = 0;

    LightFactory() = default;
    LightFactory(const LightFactory&) = delete;
    LightFactory& operator=(const LightFactory&) = delete;
};

inline LightFactory::~LightFactory() = default;

} // namespace vel
