#include "velSceneapi_oo.h"

#include <stdexcept>

#include "BuildStamp.h"
#include "LightFactory.h"
#include "LightNode.h"

namespace vel {

std::string wrapperBanner()
{
    // Major, minor and patch of the wrapper's interface level, not of the add-in.
    return "RayDeck SceneApi oo " + std::to_string(9) + "." + std::to_string(1) + "." + std::to_string(3) +
           "  (built " + buildStamp() + ")";
}

velSceneapi_oo::velSceneapi_oo(LightFactory* factory) : factory_(factory)
{
    attach(factory_ ? factory_->sceneApi() : nullptr);
    if (!api_)
        return;
    factory_->writeHeader(*this);
    api_->print(wrapperBanner().c_str());
    api_->version(9);
}

velSceneapi_oo::~velSceneapi_oo() = default;

int velSceneapi_oo::attach(velScene_api* api)
{
    api_ = api;
    shaderCounter_ = 0;
    idCounter_ = 0;
    return 0;
}

int velSceneapi_oo::newId()
{
    ++idCounter_;
    api_->id(static_cast<std::uint32_t>(idCounter_));
    return idCounter_;
}

bool velSceneapi_oo::writeNode(LightNode& node)
{
    return node.write(*this);
}

void velSceneapi_oo::progress(const std::string& name, float fraction)
{
    api_->progress(name.c_str(), fraction);
}

bool velSceneapi_oo::beginGroup(const std::string& name)
{
    return api_->beginGroup(name.c_str(), true);
}

void velSceneapi_oo::endGroup()
{
    api_->endGroup();
}

int velSceneapi_oo::beginShader(const std::string& type)
{
    ++shaderCounter_;
    api_->beginShaderId(type.c_str(), shaderCounter_);
    return shaderCounter_;
}

void velSceneapi_oo::endShader()
{
    api_->endShader();
}

bool velSceneapi_oo::setString(const char*, const char*)
{
    throw std::invalid_argument("const char * are deprecated");
}

bool velSceneapi_oo::setString(const std::string& name, const std::string& value)
{
    return api_->parameter(name.c_str(), TypeString, value.c_str());
}

bool velSceneapi_oo::setVector3f(const std::string& name, const float* xyz)
{
    return api_->parameter(name.c_str(), TypeVector3f, xyz);
}

bool velSceneapi_oo::setVector3d(const std::string& name, const double* xyz)
{
    return api_->parameter(name.c_str(), TypeVector3d, xyz);
}

bool velSceneapi_oo::setDouble(const std::string& name, double value)
{
    return api_->parameter(name.c_str(), TypeDouble, &value);
}

bool velSceneapi_oo::setFloat(const std::string& name, float value)
{
    return api_->parameter(name.c_str(), TypeFloat, &value);
}

bool velSceneapi_oo::setInt(const std::string& name, int value)
{
    return api_->parameter(name.c_str(), TypeInt, &value);
}

bool velSceneapi_oo::setBool(const std::string& name, bool value)
{
    // The interface reads a bool value as a 32-bit int.
    const std::int32_t widened = value ? 1 : 0;
    return api_->parameter(name.c_str(), TypeBool, &widened);
}

namespace {

template <typename T>
velList listOf(const std::vector<T>& values, std::size_t count)
{
    return velList{values.data(), static_cast<std::uint32_t>(count)};
}

} // namespace

bool velSceneapi_oo::setMatrixArray(const std::string& name, const std::vector<std::array<double, 16>>& matrices)
{
    const velList list = listOf(matrices, matrices.size());
    return api_->parameter(name.c_str(), TypeMatrixList, &list);
}

bool velSceneapi_oo::setIntArray(const std::string& name, const std::vector<std::int32_t>& values)
{
    const velList list = listOf(values, values.size());
    return api_->parameter(name.c_str(), TypeIntList, &list);
}

bool velSceneapi_oo::setFloatArray(const std::string& name, const std::vector<float>& values)
{
    const velList list = listOf(values, values.size());
    return api_->parameter(name.c_str(), TypeFloatList, &list);
}

bool velSceneapi_oo::setDoubleArray(const std::string& name, const std::vector<double>& values)
{
    const velList list = listOf(values, values.size());
    return api_->parameter(name.c_str(), TypeDoubleList, &list);
}

bool velSceneapi_oo::setVector3fArray(const std::string& name, const std::vector<float>& values)
{
    const velList list = listOf(values, values.size() / 3);
    return api_->parameter(name.c_str(), TypeVector3fList, &list);
}

void velSceneapi_oo::transform(const double* m16)
{
    transform(m16, false);
}

void velSceneapi_oo::transform(const double* m16, bool absolute)
{
    if (absolute)
        api_->setTransform(m16);
    else
        api_->transform(m16);
}

void velSceneapi_oo::flags(std::uint32_t f)
{
    api_->flags(f);
}

velScene_api* velSceneapi_oo::api()
{
    return api_;
}

void velSceneapi_oo::error(std::string message)
{
    api_->error(message.c_str());
    message.clear();
}

} // namespace vel
