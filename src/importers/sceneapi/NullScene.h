#pragma once
// A scene interface that takes every call and does nothing with it: the
// target of a reading that only checks a file (rdk check), and of the
// reader's benchmark. Begins and parameters answer true, the queries what
// the file writer answers, capturedText null.

#include "velScene_api.h"

namespace vel {

class NullScene final : public velScene_api {
public:
    void reserved1() override {}
    bool beginGroup(const char*, bool) override { return true; }
    void endGroup() override {}
    bool beginObject(const char*, bool) override { return true; }
    void endObject() override {}
    bool beginGeometry(const char*) override { return true; }
    void endGeometry() override {}
    bool beginAnimation(const char*, const char*) override { return true; }
    void endAnimation() override {}
    bool beginLoad(const char*) override { return true; }
    void endLoad() override {}
    bool beginOptions() override { return true; }
    void endOptions() override {}
    bool beginCamera(const char*) override { return true; }
    void endCamera() override {}
    bool beginImage() override { return true; }
    void endImage() override {}
    bool beginOutput(const char*, const char*, const char*) override { return true; }
    void endOutput() override {}
    bool beginLight(const char*) override { return true; }
    void endLight() override {}
    bool beginAccel(const char*) override { return true; }
    void endAccel() override {}
    void transform(const double*) override {}
    void setTransform(const double*) override {}
    void scale(const double&, const double&, const double&) override {}
    void rotate(const double&, const double&, const double&) override {}
    void translate(const double&, const double&, const double&) override {}
    bool beginMatrix(const char*) override { return true; }
    void endMatrix() override {}
    bool beginMaterial(const char*, bool) override { return true; }
    bool useMaterial(const char*) override { return true; }
    void endMaterial() override {}
    void shaderText(int, ShaderText) override {}
    void shaderId(int, int) override {}
    bool beginShader(const char*, const char*) override { return true; }
    bool beginShaderId(const char*, int) override { return true; }
    void endShader() override {}
    ShaderText capturedText() override { return nullptr; }
    void pushCapture() override {}
    void popCapture() override {}
    bool parameter(const char*, int, const void*) override { return true; }
    bool parameterShaderId(const char*, int) override { return true; }
    bool parameterShaderText(const char*, ShaderText) override { return true; }
    bool beginList(const char*) override { return true; }
    void endList() override {}
    void listValue(int, const void*) override {}
    int intQueryA() override { return 10; }
    int intQueryB() override { return 10; }
    int zeroQuery() override { return 0; }
    void attribute(const char*, const char*) override {}
    void writeText(const char*, ...) override {}
    void setModeFlags(int) override {}
    void version(int) override {}
    void reserved58() override {}
    void progress(const char*, float) override {}
    void icon(const unsigned char*, int) override {}
    void binaryData(const char*, const unsigned char*, int) override {}
    void id(std::uint32_t) override {}
    void flags(std::uint32_t) override {}
    bool reserved64() override { return false; }
    bool render() override { return true; }
    void print(const char*) override {}
    void error(const char*) override {}
};

} // namespace vel
