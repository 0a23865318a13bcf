#pragma once
// The factory of the export command: opens the scene file, supplies a
// velScene_api_file on it (binary lists on), writes the file's four header
// lines when the wrapper asks, and closes the file again.
//
// A scene is only reported as written when every byte reached the file: a
// failed write (a full disk) is remembered and reported by close() exactly
// like a failed close.

#include <cstdio>
#include <memory>
#include <string>

#include "LightFactory.h"
#include "velScene_api_file.h"

namespace vel {

class LightFileFactory final : public LightFactory {
public:
    // Opens the file named in UTF-8 (created, or truncated when it exists).
    // The name "-" sends the scene to standard output and points the
    // process's own standard output at standard error from then on.
    // On failure prints "opening file: <reason>" to standard error and throws
    // std::runtime_error("could not open file: \"<name>\"").
    explicit LightFileFactory(std::string fileName);
    // Closes whatever is still open; a failure is printed ("closing file:
    // <reason>"), never thrown.
    ~LightFileFactory() override;

    // The writer; null after close().
    velScene_api* sceneApi() override;
    // The four header lines, through the writer's writeText.
    void writeHeader(velSceneapi_oo& wrapper) override;
    // Destroys the writer, then closes the file; holds nothing afterwards.
    // When a write or the close failed: prints "closing file: <reason>" to
    // standard error and throws std::runtime_error("could not close file").
    void close() override;

private:
    // Destroys the writer and closes the stream; the errno value of the
    // first failure on the way, or 0.
    int release();

    std::unique_ptr<velScene_api_file> api_;
    std::FILE* stream_ = nullptr; // owned
};

} // namespace vel
