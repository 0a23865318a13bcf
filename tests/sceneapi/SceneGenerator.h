#pragma once
// Random, valid call sequences on a scene interface, for round trips through
// the writer and the reader: nested blocks of every kind, names that need the
// hex form, values of every type code, lists in text and binary form (the
// mode flags switch at random), lists built value by value, anonymous shaders
// nested with pushCapture/popCapture and placed where values go, named and
// numbered shaders begun while a text is captured, refused top blocks.
//
// "Valid" is the callers' contract of the interface: blocks nest, captured
// texts are used after their end, top blocks open only where they may (a
// refused attempt is made and left, as a producer that tests the result
// does), statement names are plain words that may hold blanks.

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "velScene_api.h"

class velScene_api_file;

class SceneGenerator {
public:
    SceneGenerator(std::uint32_t seed, velScene_api& target);
    // The file writer's own modifyCamera is used when the target is one.
    void run(int statements = 40);

private:
    void blockBody(int depth, int count);
    // blockBody in a parameter context of its own, closed by `end`.
    void nested(int depth, bool statement, int count, void (velScene_api::*end)());
    void statement(int depth);
    void block(int depth);
    void parameter();
    void valueList();
    ShaderText freshText(int depth);
    ShaderText someText(); // one of texts_, which must not be empty
    void setting(); // a line of its own: transforms, id, flags, attribute ...

    std::string name();            // quoted or hex
    std::string settingName();     // bare, for the statement form
    std::string word(std::size_t maxLength);
    float someFloat();
    double someDouble();
    std::int32_t someInt();
    int pick(int n) { return static_cast<int>(rng_() % static_cast<std::uint32_t>(n)); }
    bool chance(int percent) { return pick(100) < percent; }

    void pushContext(bool statement);
    void popContext();

    std::mt19937 rng_;
    velScene_api& api_;
    velScene_api_file* file_;
    // The writer's rules that decide what may come next, mirrored.
    bool statement_ = false;
    std::vector<bool> contexts_;
    enum class Top { None, Options, Camera, Image, Object } top_ = Top::None;
    int capturing_ = 0;                  // anonymous shaders capturing now
    int anonymousOpen_ = 0;              // anonymous shaders open, capturing or not
    int escapedShaders_ = 0;             // named shaders begun while one was open
    std::vector<ShaderText> texts_;      // finished captured texts
    int shaderNumber_ = 0;
    std::uint32_t mode_ = 0x400001;      // as the writer starts
};
