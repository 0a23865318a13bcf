#pragma once
// The abstract scene interface: a stream of calls that open and close nested
// blocks and write typed, named parameters inside them. Nothing is read back.
//
// Two implementations exist: velScene_api_file writes the calls as scene-file
// text, and the renderer's live library hands out its own implementation,
// compiled separately and called through this vtable. The ORDER of the
// virtual operations below is therefore a binary contract; never insert,
// remove or reorder one.
//
// Slot numbers below count the destructor as one slot, as the Microsoft ABI
// does; GCC and mingw give it two (complete and deleting destructor), which
// shifts every later slot by one. An add-in and a live library must therefore
// come from compilers of the same ABI: against the real live library, build
// with MSVC or clang-cl. No operation name is overloaded, because MSVC groups
// the overloads of a name together in the vtable; without overloads both ABIs
// keep the operations in declaration order. Keep it that way: a test lays
// this class out as MSVC does and compares each slot with the number after
// its operation (tests/sceneapi/CheckMicrosoftAbiSlots.cmake).
//
// Conventions: strings are UTF-8, zero-terminated and not retained after the
// call; booleans are one byte; 3-vectors and transforms are passed by
// reference or pointer; "placed" false opens a reusable definition.

#include <cstdint>

#include "velTypes.h"

class velScene_api {
public:
    virtual ~velScene_api() = default;                                        // 1

    virtual void reserved1() = 0;                                             // 2
    virtual bool connect(const char* host, int port, int count)              // 3
    {
        (void)host; (void)port; (void)count;
        return false;
    }
    virtual bool disconnect() { return false; }                               // 4
    virtual bool reserved4() { return false; }                                // 5

    virtual bool beginGroup(const char* name, bool placed) = 0;               // 6
    virtual void endGroup() = 0;                                              // 7
    virtual bool beginObject(const char* name, bool placed) = 0;              // 8
    virtual void endObject() = 0;                                             // 9
    virtual bool beginGeometry(const char* type) = 0;                         // 10
    virtual void endGeometry() = 0;                                           // 11
    virtual bool beginAnimation(const char* a, const char* b) = 0;            // 12
    virtual void endAnimation() = 0;                                          // 13
    virtual bool beginLoad(const char* module) = 0;                           // 14
    virtual void endLoad() = 0;                                               // 15
    virtual bool beginOptions() = 0;                                          // 16
    virtual void endOptions() = 0;                                            // 17
    virtual bool beginCamera(const char* name) = 0;                           // 18
    virtual void endCamera() = 0;                                             // 19
    virtual bool beginImage() = 0;                                            // 20
    virtual void endImage() = 0;                                              // 21
    virtual bool beginOutput(const char* a, const char* b, const char* c) = 0; // 22
    virtual void endOutput() = 0;                                             // 23
    virtual bool beginLight(const char* name) = 0;                            // 24
    virtual void endLight() = 0;                                              // 25
    virtual bool beginAccel(const char* name) = 0;                            // 26
    virtual void endAccel() = 0;                                              // 27

    virtual void transform(const double* m16) = 0;                            // 28
    virtual void setTransform(const double* m16) = 0;                         // 29
    virtual void scale(const double& x, const double& y, const double& z) = 0;     // 30
    virtual void rotate(const double& x, const double& y, const double& z) = 0;    // 31
    virtual void translate(const double& x, const double& y, const double& z) = 0; // 32

    virtual bool beginMatrix(const char* name) = 0;                           // 33
    virtual void endMatrix() = 0;                                             // 34
    virtual bool beginMaterial(const char* name, bool placed) = 0;            // 35
    virtual bool useMaterial(const char* name) = 0;                           // 36
    virtual void endMaterial() = 0;                                           // 37
    virtual void shaderText(int kind, ShaderText text) = 0;                   // 38
    virtual void shaderId(int kind, int id) = 0;                              // 39
    virtual bool beginShader(const char* name, const char* type) = 0;         // 40
    virtual bool beginShaderId(const char* type, int id) = 0;                 // 41
    virtual void endShader() = 0;                                             // 42
    virtual ShaderText capturedText() = 0;                                    // 43
    virtual void pushCapture() = 0;                                           // 44
    virtual void popCapture() = 0;                                            // 45

    virtual bool parameter(const char* name, int type, const void* value) = 0; // 46
    virtual bool parameterShaderId(const char* name, int id) = 0;             // 47
    virtual bool parameterShaderText(const char* name, ShaderText text) = 0;  // 48
    virtual bool beginList(const char* name) = 0;                             // 49
    virtual void endList() = 0;                                               // 50
    virtual void listValue(int type, const void* value) = 0;                  // 51

    virtual int intQueryA() = 0;                                              // 52
    virtual int intQueryB() = 0;                                              // 53
    virtual int zeroQuery() = 0;                                              // 54
    virtual void attribute(const char* key, const char* value) = 0;           // 55
    virtual void writeText(const char* format, ...) = 0;                      // 56
    virtual void setModeFlags(int flags) = 0;                                 // 57
    virtual void version(int v) = 0;                                          // 58
    virtual void reserved58() = 0;                                            // 59
    virtual void progress(const char* name, float fraction) = 0;              // 60
    virtual void icon(const unsigned char* data, int length) = 0;             // 61
    virtual void binaryData(const char* keyword, const unsigned char* data, int length) = 0; // 62
    virtual void id(std::uint32_t n) = 0;                                     // 63
    virtual void flags(std::uint32_t f) = 0;                                  // 64
    virtual bool reserved64() = 0;                                            // 65
    virtual bool render() = 0;                                                // 66
    virtual void print(const char* text) = 0;                                 // 67
    virtual void error(const char* text) = 0;                                 // 68
};
