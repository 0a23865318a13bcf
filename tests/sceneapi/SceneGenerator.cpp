#include "SceneGenerator.h"

#include <cmath>
#include <cstdint>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include <sceneapi/velScene_api_file.h>

namespace {

using Api = velScene_api;

// Statement names: plain words, some with blanks, a few that are keywords
// too (the reader must tell "reflection map" the setting from the slot).
const char* const kSettingNames[] = {"fov", "meter_scale", "width", "import_adjust_camera", "base color", "tone map",
                                     "max depth", "projection", "reflection map", "near", "passes", "surface"};
// Names: quoted, needing the hex form, empty, a keyword.
const char* const kNames[] = {"Mesh \xC3\xA9", "x\"y", "two\nlines", "", "reflection map", "G", "Body", "Mesh",
                              "plastic", "triangles", "wood", "vel_diffuse", "a.png", "Sun"};
const char* const kMessages[] = {"bad mesh", "50% done", "say \"hi\"", "two\nlines", "%s %d",
                                 "ends with a line break\n", "", "No triangles defined"};
const std::uint32_t kModes[] = {1, 2, 3, 0x400001, 0x400002, 0x400000, 0};

class Generator {
public:
    Generator(std::uint32_t seed, Api& target) : rng_(seed), api_(target), file_(dynamic_cast<velScene_api_file*>(&target)) {}

    void statement(int depth)
    {
        const int roll = pick(100);
        if (roll < 22 && depth < 4)
            block(depth);
        else if (roll < 50)
            parameter();
        else if (roll < 56)
            valueList();
        else if (roll < 62 && capturing_ < 3)
            texts_.push_back(freshText(depth));
        else if (roll < 67 && escapedShaders_ == 0)
            api_.setModeFlags(static_cast<int>(mode_ = kModes[pick(7)]));
        else
            setting();
    }

private:

    int pick(int n) { return static_cast<int>(rng_() % static_cast<std::uint32_t>(n)); }
    bool chance(int percent) { return pick(100) < percent; }
    const char* name() { return kNames[pick(static_cast<int>(std::size(kNames)))]; }
    ShaderText someText() { return texts_[static_cast<std::size_t>(pick(static_cast<int>(texts_.size())))]; }

    // `n` random values of each kind, with the ones where formatters and
    // parsers go wrong: infinities, NaN, signed zero, subnormals, values
    // beyond floats, the int limits.
    void fill(std::size_t n)
    {
        static const float specialF[] = {INFINITY, NAN, -0.0f, 1e-40f, 3.0e38f};
        static const double specialD[] = {-INFINITY, NAN, 1e300, 1e-320, 4.0e38};
        f_.resize(n);
        d_.resize(n);
        i_.resize(n);
        for (std::size_t k = 0; k < n; ++k) {
            const int roll = pick(20);
            f_[k] = roll < 5 ? specialF[roll] : roll < 7 ? static_cast<float>(pick(10))
                                                         : std::uniform_real_distribution<float>(-1000, 1000)(rng_);
            d_[k] = roll < 5 ? specialD[roll] : roll < 7 ? pick(10) : std::uniform_real_distribution<double>(-1e4, 1e4)(rng_);
            const int r = pick(8);
            i_[k] = r == 0 ? INT32_MIN : r == 1 ? INT32_MAX : r == 2 ? -pick(1000) : r == 3 ? pick(2) : pick(100000);
        }
    }
    // Where a value of type `code` lies among the filled ones.
    const void* valueOf(int code, const char* const& s)
    {
        switch (code & 0x7FFF) { // a list code as its element's
        case 1: case 2: case 3: case 14: case 15: return f_.data();
        case 4: case 5: case 9: return d_.data();
        case 10: return s;
        case 13: return &s;
        default: return i_.data();
        }
    }

    // body closed by `end`, in a parameter context of its own (1 statement,
    // 0 shader) or, with -1, in the one around it, which then keeps the form
    // an output block inside leaves behind, as the writer does.
    void nested(int depth, int statement, int count, void (Api::*end)())
    {
        const bool saved = statement_;
        if (statement >= 0)
            statement_ = statement == 1;
        for (int i = 0; i < count; ++i)
            this->statement(depth + 1);
        (api_.*end)();
        if (statement >= 0)
            statement_ = saved;
    }

    void block(int depth)
    {
        switch (pick(14)) {
        case 0: api_.beginGroup(name(), chance(70)); return nested(depth, 1, pick(6), &Api::endGroup);
        case 1: return object(depth);
        case 2: api_.beginGeometry(name()); return nested(depth, 0, pick(5), &Api::endGeometry);
        case 3: api_.beginAnimation(name(), name()); return nested(depth, 0, pick(3), &Api::endAnimation);
        case 4: api_.beginLoad(name()); return nested(depth, -1, pick(4), &Api::endLoad);
        case 5: case 6: return topBlock(depth);
        case 7: // sets the forms without saving them
            api_.beginOutput(name(), name(), name());
            nested(depth, 0, pick(3), &Api::endOutput);
            statement_ = true;
            return;
        case 8: api_.beginLight(name()); return nested(depth, -1, pick(3), &Api::endLight);
        case 9: api_.beginAccel(name()); return nested(depth, 0, pick(3), &Api::endAccel);
        case 10:
            api_.beginMatrix(name());
            for (int i = pick(3); i > 0; --i)
                setting();
            return api_.endMatrix();
        case 11:
            api_.beginMaterial(name(), chance(60));
            for (int i = pick(4); i > 0; --i) {
                switch (pick(4)) {
                case 0: api_.shaderId(pick(6) - 1, pick(5)); break;
                case 1: { const ShaderText t = freshText(depth); api_.shaderText(pick(5), t); break; }
                case 2: statement(depth + 1); break;
                default: api_.flags(4096); break;
                }
            }
            return api_.endMaterial();
        default: return namedShader(depth);
        }
    }

    // An object would end the hold of an options, camera or image block (the
    // writer has one exclusive block, not a stack); and it has no place in a
    // shader text.
    void object(int depth)
    {
        if ((top_ != Top::None && top_ != Top::Object) || anonymousOpen_ > 0)
            return;
        api_.beginObject(name(), chance(80));
        top_ = Top::Object;
        if (chance(70)) {
            api_.beginGeometry(chance(70) ? "triangles" : name());
            nested(depth, 0, pick(5), &Api::endGeometry);
        }
        nested(depth, 1, pick(4), &Api::endObject);
        top_ = Top::None;
    }

    // Where a top block may open it must, else a refused attempt is left.
    void topBlock(int depth)
    {
        const int which = pick(3);
        if (capturing_ > 0)
            return; // a top block would end the captured text
        const bool free = top_ == Top::None;
        const char* cameraName = chance(30) ? nullptr : name();
        const bool opened = which == 0   ? api_.beginOptions()
                            : which == 2 ? api_.beginImage()
                            : file_ && chance(30) ? file_->modifyCamera(cameraName)
                                                  : api_.beginCamera(cameraName);
        if (opened != free)
            throw std::logic_error(free ? "a top block was refused where the writer takes it"
                                        : "a top block opened where the writer refuses it");
        if (!opened)
            return;
        static constexpr void (Api::*ends[])() = {&Api::endOptions, &Api::endCamera, &Api::endImage};
        top_ = Top::Other;
        nested(depth, 1, pick(5), ends[which]);
        statement_ = false;
        top_ = Top::None;
    }

    // A named or numbered shader definition; begun while a text is captured
    // it goes to the scene at the capture's indentation, which the reader
    // learns from its first lines: a switch of the mode inside it would hide
    // that.
    void namedShader(int depth)
    {
        if (chance(50))
            api_.beginShader(name(), name());
        else
            api_.beginShaderId(kSettingNames[pick(3)], ++shaderNumber_);
        const int saved = capturing_;
        const bool escaped = anonymousOpen_ > 0;
        escapedShaders_ += escaped;
        capturing_ = 0;
        nested(depth, 0, pick(4), &Api::endShader);
        capturing_ = saved;
        escapedShaders_ -= escaped;
    }

    // A captured text; inside any open anonymous shader (also one that a
    // named shader interrupts) the current text is saved and restored.
    ShaderText freshText(int depth)
    {
        const bool push = anonymousOpen_ > 0 || chance(30);
        if (push)
            api_.pushCapture();
        api_.beginShader(nullptr, name());
        ++capturing_;
        ++anonymousOpen_;
        const bool saved = statement_;
        statement_ = false;
        const bool early = chance(30);
        const ShaderText before = early ? api_.capturedText() : nullptr;
        for (int i = pick(4); i > 0; --i) {
            switch (pick(6)) {
            case 0: if (capturing_ < 3) texts_.push_back(freshText(depth + 1)); break;
            case 1: if (depth < 4) block(depth + 1); break;
            case 2: valueList(); break;
            default: parameter(); break;
            }
        }
        api_.endShader();
        statement_ = saved;
        --capturing_;
        --anonymousOpen_;
        const ShaderText text = api_.capturedText();
        if (early && before != text)
            throw std::logic_error("capturedText changed between the begin and the end of a shader");
        if (push)
            api_.popCapture();
        return text;
    }

    // One parameter of a random type code or list code, in whichever form
    // the context takes.
    void parameter()
    {
        const std::string key = statement_ ? kSettingNames[pick(12)] : name();
        const char* s = name();
        const int roll = pick(30);
        if (roll < 18) {
            static const int codes[] = {1, 2, 3, 4, 5, 6, 7, 9, 10, 13, 14, 15, 16, 17, 18, 23, 8, 8192};
            const int code = codes[pick(18)];
            fill(16);
            if (code == vel::TypeMatrix) // a matrix goes through float
                std::copy(f_.begin(), f_.end(), d_.begin());
            api_.parameter(key.c_str(), code, valueOf(code, s));
        } else if (roll < 21 && !texts_.empty()) {
            const ShaderText t = someText();
            if (chance(50))
                api_.parameter(key.c_str(), vel::TypeShaderText, &t);
            else
                api_.parameterShaderText(name(), t);
        } else if (roll < 22) {
            api_.parameterShaderId(name(), pick(5));
        } else {
            static const int codes[] = {0x8001, 0x8002, 0x8003, 0x8004, 0x8005, 0x8006,
                                        0x8007, 0x8009, 0x800A, 0x800D, 0x8017, 0x8008};
            const int code = codes[pick(12)];
            const auto count = static_cast<std::uint32_t>(chance(10) ? pick(40) : pick(12));
            fill(16 * count + 1);
            std::vector<const char*> names(count + 1);
            for (auto& n : names)
                n = name();
            const velList list{code == 0x800A || code == 0x800D ? names.data() : valueOf(code, s), count};
            api_.parameter(key.c_str(), code, &list);
        }
    }

    // beginList, values one by one (some collected for a binary block), endList.
    void valueList()
    {
        api_.beginList(name());
        for (int n = pick(16); n > 0; --n) {
            if (chance(8) && escapedShaders_ == 0) {
                // Values collected or written as text; the indentation stays,
                // as a switch of it between two values cannot be told from the
                // blanks of a captured text's own indentation.
                mode_ = (mode_ & vel::ModeNoIndent) | (chance(50) ? 2u : 1u);
                api_.setModeFlags(static_cast<int>(mode_));
                continue;
            }
            static const int codes[] = {1, 1, 3, 3, 6, 6, 4, 5, 7, 10, 13, 14, 23, vel::TypeShaderText};
            const int code = codes[pick(14)];
            const char* s = name();
            fill(4);
            if (code != vel::TypeShaderText) {
                api_.listValue(code, valueOf(code, s));
            } else if (!texts_.empty()) {
                const ShaderText t = someText();
                api_.listValue(code, &t);
            }
        }
        api_.endList();
    }

    // Lines of their own.
    void setting()
    {
        fill(16);
        const double* d = d_.data();
        unsigned char bytes[20];
        for (unsigned char& b : bytes)
            b = static_cast<unsigned char>(pick(256));
        const int length = pick(20);
        switch (pick(19)) {
        case 0: return api_.transform(d);
        case 1: return api_.setTransform(d);
        case 2: return api_.scale(d[0], d[1], d[2]);
        case 3: return api_.rotate(d[0], d[1], d[2]);
        case 4: return api_.translate(d[0], d[1], d[2]);
        case 5: return api_.id(static_cast<std::uint32_t>(rng_()));
        case 6: return api_.flags(chance(50) ? 32769u : static_cast<std::uint32_t>(rng_()));
        case 7: return api_.attribute(name(), name());
        case 8: return api_.version(chance(50) ? 9 : -1);
        case 9: return api_.progress(name(), static_cast<float>(pick(100000)) / 1000.0f);
        case 10: return api_.icon(bytes, length);
        case 11: return api_.binaryData(chance(50) ? "thumb" : "preview_data", bytes, length);
        case 12: return api_.print(kMessages[pick(8)]);
        case 13: return api_.error(kMessages[pick(8)]);
        case 14: return api_.writeText("%s", chance(50) ? "// a comment\n" : "//---id:1---\n");
        case 15: if (capturing_ == 0) api_.render(); return;
        case 16: api_.useMaterial(name()); return;
        case 17: return api_.shaderId(pick(6) - 1, pick(9));
        default: if (!texts_.empty()) api_.shaderText(pick(5), someText()); return;
        }
    }

    std::mt19937 rng_;
    Api& api_;
    velScene_api_file* file_;
    std::vector<float> f_;
    std::vector<double> d_;
    std::vector<std::int32_t> i_;
    // The writer's rules that decide what may come next, mirrored.
    bool statement_ = false;
    enum class Top { None, Other, Object } top_ = Top::None;
    int capturing_ = 0;              // anonymous shaders capturing now
    int anonymousOpen_ = 0;          // anonymous shaders open, capturing or not
    int escapedShaders_ = 0;         // named shaders begun while one was open
    std::vector<ShaderText> texts_;  // finished captured texts
    int shaderNumber_ = 0;
    std::uint32_t mode_ = 0x400001;  // as the writer starts
};

} // namespace

void generateScene(std::uint32_t seed, velScene_api& target, int statements)
{
    Generator generator(seed, target);
    for (int i = 0; i < statements; ++i)
        generator.statement(0);
}
