#pragma once
// The scene interface written as scene-file text onto a stream that someone
// else opened (the file factory). Every call becomes text at once: blocks are
// a keyword line ending in " {" and a closing "}"; settings of groups,
// objects, options, camera and image blocks are statements ("name value");
// parameters of shaders, geometry and the like are "\"name\" value,"; lists
// go out as text or as binary blocks inside the text.
//
// The bytes are the file format that the renderer reads, quirks included:
// some operations put indentation blanks in mid-line and some lines end in
// trailing blanks. Both are kept on purpose: files that the renderer already
// reads have them, and scene files are compared byte for byte.
//
// Anonymous shaders (beginShader with a null name) are captured into a text
// instead of being written; the text is later placed where a value goes.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "CapturedText.h"
#include "NumericLocaleScope.h"
#include "OutputSink.h"
#include "TextOutput.h"
#include "velScene_api.h"

class velScene_api_file : public velScene_api {
public:
    // Writes onto `stream` (not owned, never closed; null writes nothing at
    // all). binaryLists selects binary blocks for lists of float triples,
    // floats, doubles and ints. Switches LC_NUMERIC to "C" until destruction.
    // Starts without indentation (vel::kWriterStartModeFlags).
    velScene_api_file(std::FILE* stream, bool binaryLists);
    // The same onto any sink; null writes nothing at all.
    velScene_api_file(std::unique_ptr<vel::OutputSink> sink, bool binaryLists);
    // Restores LC_NUMERIC and frees every captured text. Buffered bytes are
    // handed to the stream, which stays open.
    ~velScene_api_file() override;

    velScene_api_file(const velScene_api_file&) = delete;
    velScene_api_file& operator=(const velScene_api_file&) = delete;

    void reserved1() override;
    bool connect(const char* host, int port, int count) override;
    bool disconnect() override;
    bool reserved4() override;

    bool beginGroup(const char* name, bool placed) override;
    void endGroup() override;
    bool beginObject(const char* name, bool placed) override;
    void endObject() override;
    bool beginGeometry(const char* type) override;
    void endGeometry() override;
    bool beginAnimation(const char* a, const char* b) override;
    void endAnimation() override;
    bool beginLoad(const char* module) override;
    void endLoad() override;
    // The options, camera and image blocks are exclusive: refused (false,
    // nothing written) while one of them or an object is open.
    bool beginOptions() override;
    void endOptions() override;
    bool beginCamera(const char* name) override;
    void endCamera() override;
    bool beginImage() override;
    void endImage() override;
    bool beginOutput(const char* a, const char* b, const char* c) override;
    void endOutput() override;
    bool beginLight(const char* name) override;
    void endLight() override;
    bool beginAccel(const char* name) override;
    void endAccel() override;

    // Printed as floats: each double is converted to float first.
    void transform(const double* m16) override;
    void setTransform(const double* m16) override;
    void scale(const double& x, const double& y, const double& z) override;
    void rotate(const double& x, const double& y, const double& z) override;
    void translate(const double& x, const double& y, const double& z) override;

    bool beginMatrix(const char* name) override;
    void endMatrix() override;
    bool beginMaterial(const char* name, bool placed) override;
    bool useMaterial(const char* name) override;
    void endMaterial() override;
    void shaderText(int kind, ShaderText text) override;
    void shaderId(int kind, int id) override;
    bool beginShader(const char* name, const char* type) override;
    bool beginShaderId(const char* type, int id) override;
    void endShader() override;
    ShaderText capturedText() override;
    void pushCapture() override;
    void popCapture() override;

    // Rejected (false, nothing written) when the value cannot be read: a null
    // value, string, captured-text handle or list data.
    bool parameter(const char* name, int type, const void* value) override;
    bool parameterShaderId(const char* name, int id) override;
    // Rejected (false, nothing written) for a null handle.
    bool parameterShaderText(const char* name, ShaderText text) override;
    bool beginList(const char* name) override;
    void endList() override;
    void listValue(int type, const void* value) override;

    int intQueryA() override;
    int intQueryB() override;
    int zeroQuery() override;
    void attribute(const char* key, const char* value) override;
    void writeText(const char* format, ...) override;
    void setModeFlags(int flags) override;
    void version(int v) override;
    void reserved58() override;
    void progress(const char* name, float fraction) override;
    void icon(const unsigned char* data, int length) override;
    void binaryData(const char* keyword, const unsigned char* data, int length) override;
    void id(std::uint32_t n) override;
    void flags(std::uint32_t f) override;
    bool reserved64() override;
    bool render() override;
    void print(const char* text) override;
    void error(const char* text) override;

    // The writer's own operation after the interface's: "#modify " and a
    // camera block. Refused like beginCamera, and then writes nothing.
    virtual bool modifyCamera(const char* name);

    // Threads that may format one large text list, the calling one included
    // (at least 1; by default every core). The bytes do not depend on it.
    void setFormatThreads(unsigned threads);

    // Hands buffered bytes to the stream and flushes it.
    void flush();
    // The errno value of the first failed write to the stream (EOVERFLOW when
    // a piece was too long and had to be cut), or 0 when all went out.
    int writeError() const;
    // The same for people: the system's message for a failed write; for a
    // cut piece, that a line exceeded the format's limit and in which groups
    // and object; empty when all went out.
    std::string writeErrorText() const;

private:
    enum class TopBlock { None, Options, Camera, Image, Object };

    bool beginTopBlock(TopBlock block);
    void endTopBlock(TopBlock block);
    // `head`, the name and " {", then one level deeper; closeBlock undoes it.
    void openBlock(std::string_view head, const char* name);
    void closeBlock();
    // Whether the block's lines are statements or settings; leaveContext
    // restores the enclosing block's.
    void enterContext(bool statements);
    void leaveContext();
    void setCapture(bool capturing, velShaderTextData* current);
    void writeShaderKeyword(int kind, bool withBlank);
    // The groups and objects open, kept for telling where a line was cut.
    void enterNamed(const char* kind, const char* name);
    void leaveNamed(const char* kind);
    void noteWhereCut();

    vel::NumericLocaleScope locale_;
    std::vector<std::unique_ptr<velShaderTextData>> texts_; // every captured text made
    vel::TextOutput out_;
    bool binaryLists_;
    std::uint32_t modeFlags_ = static_cast<std::uint32_t>(vel::kWriterStartModeFlags);
    bool statementContext_ = false;
    TopBlock topBlock_ = TopBlock::None;
    bool capturing_ = false;
    velShaderTextData* current_ = nullptr;
    int listCount_ = 0;
    std::vector<std::uint32_t> collected_;
    char collectedType_ = 0;
    std::vector<bool> contextStack_;
    std::vector<bool> captureStack_;
    std::vector<velShaderTextData*> textStack_;
    std::vector<int> indentStack_;
    struct NamedBlock {
        const char* kind;
        std::string name; // the start of it
    };
    std::vector<NamedBlock> named_;
    std::string whereCut_;
};
