#pragma once
// The object wrapper through which every scene-graph node emits itself: typed
// parameter setters over standard strings and vectors, id and shader
// numbering (both from 1 per wrapper), and api() for the interface operations
// it does not wrap. It owns neither the interface nor the factory.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "velScene_api.h"

namespace vel {

class LightFactory;
class LightNode;

class velSceneapi_oo {
public:
    // Attaches the factory's interface; when there is one, writes the sink's
    // header (factory->writeHeader), the banner through print() and the
    // version line through version(9). With no interface nothing is written.
    explicit velSceneapi_oo(LightFactory* factory);
    virtual ~velSceneapi_oo();

    velSceneapi_oo(const velSceneapi_oo&) = delete;
    velSceneapi_oo& operator=(const velSceneapi_oo&) = delete;

    // Virtual operations, in their fixed order.

    // Stores the interface and restarts both counters at 0. Always 0.
    virtual int attach(velScene_api* api);
    // Next id (1, 2, ...), declared through the interface's id() at this point.
    virtual int newId();
    // Emits the node in place through its write().
    virtual bool writeNode(LightNode& node);
    virtual void progress(const std::string& name, float fraction);
    // A placed group.
    virtual bool beginGroup(const std::string& name);
    virtual void endGroup();
    // Opens the numbered shader definition shaderCounter+1 and returns its number.
    virtual int beginShader(const std::string& type);
    virtual void endShader();
    // Deprecated: always throws std::invalid_argument("const char * are deprecated").
    // String literals land here; callers pass std::string.
    [[noreturn]] virtual bool setString(const char* name, const char* value);
    virtual bool setString(const std::string& name, const std::string& value);
    virtual bool setVector3f(const std::string& name, const float* xyz);
    virtual bool setVector3d(const std::string& name, const double* xyz);
    virtual bool setDouble(const std::string& name, double value);
    virtual bool setFloat(const std::string& name, float value);
    virtual bool setInt(const std::string& name, int value);
    virtual bool setBool(const std::string& name, bool value);
    virtual bool setMatrixArray(const std::string& name, const std::vector<std::array<double, 16>>& matrices);
    virtual bool setIntArray(const std::string& name, const std::vector<std::int32_t>& values);
    virtual bool setFloatArray(const std::string& name, const std::vector<float>& values);
    virtual bool setDoubleArray(const std::string& name, const std::vector<double>& values);
    // Float triples laid out flat; the count passed is values.size() / 3.
    virtual bool setVector3fArray(const std::string& name, const std::vector<float>& values);
    // A relative transform (the interface's transform()).
    virtual void transform(const double* m16);
    // setTransform() when absolute, else transform().
    virtual void transform(const double* m16, bool absolute);
    virtual void flags(std::uint32_t f);
    virtual velScene_api* api();

    // Passes the message to the interface's error() and empties it.
    void error(std::string message);

    LightFactory* factory() const { return factory_; }
    int shaderCounter() const { return shaderCounter_; }
    int idCounter() const { return idCounter_; }

private:
    velScene_api* api_ = nullptr;
    LightFactory* factory_ = nullptr;
    int shaderCounter_ = 0;
    int idCounter_ = 0;
};

// The banner that construction prints:
// "RayDeck SceneApi oo 9.1.3  (built Tue Apr 30 15:11:26 2019)".
std::string wrapperBanner();

} // namespace vel
