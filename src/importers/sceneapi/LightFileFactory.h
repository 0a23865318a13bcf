#pragma once
// The factory of the export command: opens the scene file, supplies a
// velScene_api_file on it (binary lists on), writes the file's four header
// lines when the wrapper asks, and closes the file again.
//
// A scene is only reported as written when every byte reached the file: a
// failed write (a full disk) is remembered and reported by close() exactly
// like a failed close. A regular file is written beside its name and takes
// its place only at a successful close(), so an export that fails, or never
// gets to close(), leaves the file that was there before
// (platform/OutputFile.h).

#include <memory>
#include <string>

#include "LightFactory.h"
#include "velScene_api_file.h"

namespace platform {
class OutputFile;
}

namespace vel {

class LightFileFactory final : public LightFactory {
public:
    // Opens the file named in UTF-8 (a new file, or the replacement of an
    // existing one; a device or FIFO is written in place). The name "-"
    // sends the scene to standard output and points the process's own
    // standard output at standard error from then on.
    // On failure prints "opening file: <reason>" to standard error and throws
    // std::runtime_error("could not open file: \"<name>\"").
    explicit LightFileFactory(std::string fileName);
    // Without close(), the scene is unfinished: a replacement is thrown away
    // and the file stays as it was; a file written in place is closed, and a
    // failure printed ("closing file: <reason>"), never thrown.
    ~LightFileFactory() override;

    // The writer; null after close().
    velScene_api* sceneApi() override;
    // The four header lines, through the writer's writeText.
    void writeHeader(velSceneapi_oo& wrapper) override;
    // Destroys the writer, then closes the file, which then takes the place
    // of the old one; holds nothing afterwards. When a write, the close or
    // the replacement failed (the old file then stays): prints "closing file:
    // <reason>" to standard error and throws
    // std::runtime_error("could not close file").
    void close() override;

private:
    // Destroys the writer and closes the file, putting it in place when
    // `finished`; why that failed, or empty.
    std::string release(bool finished);

    std::unique_ptr<velScene_api_file> api_;
    std::unique_ptr<platform::OutputFile> file_;
};

} // namespace vel
