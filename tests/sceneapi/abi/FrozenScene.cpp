// A stand-in for the renderer's separately compiled live library, built as a
// shared object of its own. Its scene interface is declared HERE, from the
// frozen table of the 68 operations, and deliberately not from
// velScene_api.h: if someone inserts, removes or reorders an operation in the
// header, the add-in's calls land on the wrong slots of this object, just as
// they would on the real library, and the test that calls it fails.
//
// Every operation records its number in the table and the arguments it got.

#include <cstdarg>
#include <cstdint>
#include <cstdio>

// mingw checks "printf" formats as msvcrt's, which lacks %zu; the C99
// vsnprintf that this build uses has it.
#ifdef __MINGW32__
#define FROZEN_PRINTF gnu_printf
#else
#define FROZEN_PRINTF printf
#endif

namespace {

using Record = void (*)(void* context, int slot, const char* detail);

class FrozenScene {
public:
    FrozenScene(Record record, void* context) : record_(record), context_(context) {}

    virtual ~FrozenScene() { log(1, "destructor"); }                                              // 1
    virtual void reserved1() { log(2, "reserved1"); }                                            // 2
    virtual bool connect(const char* h, int p, int c) { return log(3, "connect %s %d %d", h, p, c); } // 3
    virtual bool disconnect() { return log(4, "disconnect"); }                                   // 4
    virtual bool reserved4() { return log(5, "reserved4"); }                                     // 5
    virtual bool beginGroup(const char* n, bool p) { return log(6, "beginGroup %s %d", n, p); }  // 6
    virtual void endGroup() { log(7, "endGroup"); }                                              // 7
    virtual bool beginObject(const char* n, bool p) { return log(8, "beginObject %s %d", n, p); } // 8
    virtual void endObject() { log(9, "endObject"); }                                            // 9
    virtual bool beginGeometry(const char* t) { return log(10, "beginGeometry %s", t); }         // 10
    virtual void endGeometry() { log(11, "endGeometry"); }                                       // 11
    virtual bool beginAnimation(const char* a, const char* b) { return log(12, "beginAnimation %s %s", a, b); }
    virtual void endAnimation() { log(13, "endAnimation"); }                                     // 13
    virtual bool beginLoad(const char* m) { return log(14, "beginLoad %s", m); }                 // 14
    virtual void endLoad() { log(15, "endLoad"); }                                               // 15
    virtual bool beginOptions() { return log(16, "beginOptions"); }                              // 16
    virtual void endOptions() { log(17, "endOptions"); }                                         // 17
    virtual bool beginCamera(const char* n) { return log(18, "beginCamera %s", n); }             // 18
    virtual void endCamera() { log(19, "endCamera"); }                                           // 19
    virtual bool beginImage() { return log(20, "beginImage"); }                                  // 20
    virtual void endImage() { log(21, "endImage"); }                                             // 21
    virtual bool beginOutput(const char* a, const char* b, const char* c) { return log(22, "beginOutput %s %s %s", a, b, c); }
    virtual void endOutput() { log(23, "endOutput"); }                                           // 23
    virtual bool beginLight(const char* n) { return log(24, "beginLight %s", n); }               // 24
    virtual void endLight() { log(25, "endLight"); }                                             // 25
    virtual bool beginAccel(const char* n) { return log(26, "beginAccel %s", n); }               // 26
    virtual void endAccel() { log(27, "endAccel"); }                                             // 27
    virtual void transform(const double* m) { log(28, "transform %g %g", m[0], m[15]); }         // 28
    virtual void setTransform(const double* m) { log(29, "setTransform %g %g", m[0], m[15]); }   // 29
    virtual void scale(const double& x, const double& y, const double& z) { log(30, "scale %g %g %g", x, y, z); }
    virtual void rotate(const double& x, const double& y, const double& z) { log(31, "rotate %g %g %g", x, y, z); }
    virtual void translate(const double& x, const double& y, const double& z) { log(32, "translate %g %g %g", x, y, z); }
    virtual bool beginMatrix(const char* n) { return log(33, "beginMatrix %s", n); }             // 33
    virtual void endMatrix() { log(34, "endMatrix"); }                                           // 34
    virtual bool beginMaterial(const char* n, bool p) { return log(35, "beginMaterial %s %d", n, p); }
    virtual bool useMaterial(const char* n) { return log(36, "useMaterial %s", n); }             // 36
    virtual void endMaterial() { log(37, "endMaterial"); }                                       // 37
    virtual void shaderText(int k, void* t) { log(38, "shaderText %d %zu", k, handle(t)); }      // 38
    virtual void shaderId(int k, int id) { log(39, "shaderId %d %d", k, id); }                   // 39
    virtual bool beginShader(const char* n, const char* t) { return log(40, "beginShader %s %s", n, t); }
    virtual bool beginShaderId(const char* t, int id) { return log(41, "beginShaderId %s %d", t, id); }
    virtual void endShader() { log(42, "endShader"); }                                           // 42
    virtual void* capturedText() { return log(43, "capturedText"), reinterpret_cast<void*>(std::uintptr_t{43}); }
    virtual void pushCapture() { log(44, "pushCapture"); }                                       // 44
    virtual void popCapture() { log(45, "popCapture"); }                                         // 45
    virtual bool parameter(const char* n, int type, const void* v)                               // 46
    {
        return log(46, "parameter %s %d %d", n, type, *static_cast<const int*>(v));
    }
    virtual bool parameterShaderId(const char* n, int id) { return log(47, "parameterShaderId %s %d", n, id); }
    virtual bool parameterShaderText(const char* n, void* t) { return log(48, "parameterShaderText %s %zu", n, handle(t)); }
    virtual bool beginList(const char* n) { return log(49, "beginList %s", n); }                 // 49
    virtual void endList() { log(50, "endList"); }                                               // 50
    virtual void listValue(int type, const void* v) { log(51, "listValue %d %g", type, *static_cast<const float*>(v)); }
    virtual int intQueryA() { return log(52, "intQueryA"), 52; }                                 // 52
    virtual int intQueryB() { return log(53, "intQueryB"), 53; }                                 // 53
    virtual int zeroQuery() { return log(54, "zeroQuery"), 54; }                                 // 54
    virtual void attribute(const char* k, const char* v) { log(55, "attribute %s %s", k, v); }  // 55
    virtual void writeText(const char* format, ...)                                              // 56
    {
        char text[256];
        std::va_list args;
        va_start(args, format);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
        std::vsnprintf(text, sizeof text, format, args);
#pragma GCC diagnostic pop
        va_end(args);
        log(56, "writeText %s", text);
    }
    virtual void setModeFlags(int f) { log(57, "setModeFlags %d", f); }                          // 57
    virtual void version(int v) { log(58, "version %d", v); }                                    // 58
    virtual void reserved58() { log(59, "reserved58"); }                                         // 59
    virtual void progress(const char* n, float f) { log(60, "progress %s %g", n, f); }           // 60
    virtual void icon(const unsigned char* d, int n) { log(61, "icon %d %d", d[0], n); }         // 61
    virtual void binaryData(const char* k, const unsigned char* d, int n) { log(62, "binaryData %s %d %d", k, d[0], n); }
    virtual void id(std::uint32_t n) { log(63, "id %u", n); }                                    // 63
    virtual void flags(std::uint32_t f) { log(64, "flags %u", f); }                              // 64
    virtual bool reserved64() { return log(65, "reserved64"); }                                  // 65
    virtual bool render() { return log(66, "render"); }                                          // 66
    virtual void print(const char* t) { log(67, "print %s", t); }                                // 67
    virtual void error(const char* t) { log(68, "error %s", t); }                                // 68

private:
    static std::size_t handle(void* p) { return reinterpret_cast<std::uintptr_t>(p); }

    // Records the call; true, so that a result shows it came from here and
    // not from a default of the add-in's side.
    __attribute__((format(FROZEN_PRINTF, 3, 4))) bool log(int slot, const char* format, ...)
    {
        char detail[512];
        std::va_list args;
        va_start(args, format);
        std::vsnprintf(detail, sizeof detail, format, args);
        va_end(args);
        record_(context_, slot, detail);
        return true;
    }

    Record record_;
    void* context_;
};

} // namespace

// The library's one entry point, like the live library's initialisation.
#ifdef _WIN32
#define FROZEN_EXPORT __declspec(dllexport)
#else
#define FROZEN_EXPORT __attribute__((visibility("default")))
#endif

extern "C" FROZEN_EXPORT void* frozen_scene_create(Record record, void* context)
{
    return new FrozenScene(record, context);
}
