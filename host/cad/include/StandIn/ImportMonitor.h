#pragma once
// What an import tells while it runs: the stage it is in, how far along it
// is, and what it had to leave out. Loading and triangulating a big CAD
// assembly takes seconds to minutes; a host program shows this on standard
// error, tests record it.

#include <cstdio>
#include <cstddef>
#include <string>
#include <string_view>

namespace standin::host {

class ImportMonitor {
public:
    virtual ~ImportMonitor() = default;

    /// A stage starts ("reading", "triangulating", ...) with `total` steps;
    /// 0 when its length is not known.
    virtual void begin(std::string_view stage, std::size_t total) = 0;
    /// `done` of the stage's steps are finished (never decreasing within a
    /// stage). May be called from OpenCASCADE's worker threads, one call at a
    /// time.
    virtual void advance(std::size_t done) = 0;
    /// The stage is over.
    virtual void end() = 0;
    /// Something in the file could not be used and was left out; the import
    /// goes on. Called on the importing thread.
    virtual void warning(std::string_view message) = 0;
};

/// Progress on a stream (standard error): on a terminal one line per stage
/// rewritten in place with a carriage return; elsewhere, when asked for, one
/// line per finished stage. Warnings always get a line of their own, prefixed
/// with `source` ("part.step: warning: ...").
class StreamProgress : public ImportMonitor {
public:
    enum class Mode {
        Auto,   ///< progress only when the stream is a terminal
        Always, ///< progress also into files and pipes (stage lines only)
        Never,  ///< warnings only
    };

    explicit StreamProgress(std::string source, Mode mode = Mode::Auto, std::FILE* stream = stderr);
    ~StreamProgress() override;
    StreamProgress(const StreamProgress&) = delete;
    StreamProgress& operator=(const StreamProgress&) = delete;

    void begin(std::string_view stage, std::size_t total) override;
    void advance(std::size_t done) override;
    void end() override;
    void warning(std::string_view message) override;

private:
    void draw(bool final);

    std::string source_;
    std::FILE* stream_;
    bool show_ = false;
    bool terminal_ = false;
    std::string stage_;
    std::size_t total_ = 0;
    std::size_t done_ = 0;
    long long lastDrawMs_ = -1;
    long long startMs_ = 0;
    bool lineOpen_ = false;
};

} // namespace standin::host
