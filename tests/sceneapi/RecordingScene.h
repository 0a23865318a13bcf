#pragma once
// A scene interface that records every call as a line of text: the
// operation's name and its arguments as they arrived, value bytes included.
// It lets the wrapper's tests see exactly what reaches an implementation.

#include <cstdarg>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include <sceneapi/velScene_api.h>

class RecordingScene : public velScene_api {
public:
    std::vector<std::string> calls;

    void reserved1() override { log("reserved1"); }
    bool connect(const char* h, int p, int c) override { return log("connect", h, p, c), true; }
    bool disconnect() override { return log("disconnect"), true; }
    bool reserved4() override { return log("reserved4"), true; }
    bool beginGroup(const char* n, bool placed) override { return log("beginGroup", n, placed), true; }
    void endGroup() override { log("endGroup"); }
    bool beginObject(const char* n, bool placed) override { return log("beginObject", n, placed), true; }
    void endObject() override { log("endObject"); }
    bool beginGeometry(const char* t) override { return log("beginGeometry", t), true; }
    void endGeometry() override { log("endGeometry"); }
    bool beginAnimation(const char* a, const char* b) override { return log("beginAnimation", a, b), true; }
    void endAnimation() override { log("endAnimation"); }
    bool beginLoad(const char* m) override { return log("beginLoad", m), true; }
    void endLoad() override { log("endLoad"); }
    bool beginOptions() override { return log("beginOptions"), true; }
    void endOptions() override { log("endOptions"); }
    bool beginCamera(const char* n) override { return log("beginCamera", n), true; }
    void endCamera() override { log("endCamera"); }
    bool beginImage() override { return log("beginImage"), true; }
    void endImage() override { log("endImage"); }
    bool beginOutput(const char* a, const char* b, const char* c) override { return log("beginOutput", a, b, c), true; }
    void endOutput() override { log("endOutput"); }
    bool beginLight(const char* n) override { return log("beginLight", n), true; }
    void endLight() override { log("endLight"); }
    bool beginAccel(const char* n) override { return log("beginAccel", n), true; }
    void endAccel() override { log("endAccel"); }
    void transform(const double* m) override { log("transform", m[0], m[12], m[15]); }
    void setTransform(const double* m) override { log("setTransform", m[0], m[12], m[15]); }
    void scale(const double& x, const double& y, const double& z) override { log("scale", x, y, z); }
    void rotate(const double& x, const double& y, const double& z) override { log("rotate", x, y, z); }
    void translate(const double& x, const double& y, const double& z) override { log("translate", x, y, z); }
    bool beginMatrix(const char* n) override { return log("beginMatrix", n), true; }
    void endMatrix() override { log("endMatrix"); }
    bool beginMaterial(const char* n, bool placed) override { return log("beginMaterial", n, placed), true; }
    bool useMaterial(const char* n) override { return log("useMaterial", n), true; }
    void endMaterial() override { log("endMaterial"); }
    void shaderText(int kind, ShaderText) override { log("shaderText", kind); }
    void shaderId(int kind, int id) override { log("shaderId", kind, id); }
    bool beginShader(const char* n, const char* t) override { return log("beginShader", n, t), true; }
    bool beginShaderId(const char* t, int id) override { return log("beginShaderId", t, id), true; }
    void endShader() override { log("endShader"); }
    ShaderText capturedText() override { return log("capturedText"), nullptr; }
    void pushCapture() override { log("pushCapture"); }
    void popCapture() override { log("popCapture"); }
    bool parameter(const char* name, int type, const void* value) override
    {
        return log("parameter", name, type, describe(type, value)), true;
    }
    bool parameterShaderId(const char* n, int id) override { return log("parameterShaderId", n, id), true; }
    bool parameterShaderText(const char* n, ShaderText) override { return log("parameterShaderText", n), true; }
    bool beginList(const char* n) override { return log("beginList", n), true; }
    void endList() override { log("endList"); }
    void listValue(int type, const void* value) override { log("listValue", type, describe(type, value)); }
    int intQueryA() override { return log("intQueryA"), 0; }
    int intQueryB() override { return log("intQueryB"), 0; }
    int zeroQuery() override { return log("zeroQuery"), 0; }
    void attribute(const char* k, const char* v) override { log("attribute", k, v); }
    void writeText(const char* format, ...) override
    {
        char text[4096];
        std::va_list args;
        va_start(args, format);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
        std::vsnprintf(text, sizeof text, format, args);
#pragma GCC diagnostic pop
        va_end(args);
        log("writeText", text);
    }
    void setModeFlags(int f) override { log("setModeFlags", f); }
    void version(int v) override { log("version", v); }
    void reserved58() override { log("reserved58"); }
    void progress(const char* n, float f) override { log("progress", n, f); }
    void icon(const unsigned char*, int length) override { log("icon", length); }
    void binaryData(const char* k, const unsigned char*, int length) override { log("binaryData", k, length); }
    void id(std::uint32_t n) override { log("id", n); }
    void flags(std::uint32_t f) override { log("flags", f); }
    bool reserved64() override { return log("reserved64"), true; }
    bool render() override { return log("render"), true; }
    void print(const char* t) override { log("print", t); }
    void error(const char* t) override { log("error", t); }

private:
    static void put(std::ostringstream& out, const char* s) { out << (s ? s : "null"); }
    static void put(std::ostringstream& out, bool b) { out << (b ? "true" : "false"); }
    template <typename T>
    static void put(std::ostringstream& out, const T& v) { out << v; }

    template <typename... Args>
    void log(const char* op, const Args&... args)
    {
        std::ostringstream out;
        out << op << "(";
        [[maybe_unused]] const char* separator = "";
        ((out << separator, put(out, args), separator = ","), ...);
        out << ")";
        calls.push_back(out.str());
    }

    // The value as the implementation reads it: numbers by code, lists as
    // their count and elements.
    static std::string describe(int type, const void* value)
    {
        std::ostringstream out;
        const auto list = static_cast<const velList*>(value);
        switch (type) {
        case 1: case 5: {
            for (int i = 0; i < 3; ++i)
                out << (i ? " " : "") << (type == 1 ? static_cast<const float*>(value)[i] : static_cast<const double*>(value)[i]);
            break;
        }
        case 3: out << *static_cast<const float*>(value); break;
        case 4: out << *static_cast<const double*>(value); break;
        case 6: case 7: out << *static_cast<const std::int32_t*>(value); break;
        case 10: out << static_cast<const char*>(value); break;
        case 0x8001: case 0x8003: case 0x8004: case 0x8006: case 0x8009: {
            const std::size_t per = type == 0x8001 ? 3 : type == 0x8009 ? 16 : 1;
            out << "count " << list->count << ":";
            for (std::size_t i = 0; i < list->count * per; ++i) {
                out << " ";
                if (type == 0x8004 || type == 0x8009)
                    out << static_cast<const double*>(list->data)[i];
                else if (type == 0x8006)
                    out << static_cast<const std::int32_t*>(list->data)[i];
                else
                    out << static_cast<const float*>(list->data)[i];
            }
            break;
        }
        default: out << "?"; break;
        }
        return out.str();
    }
};
