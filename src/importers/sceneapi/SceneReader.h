#pragma once
// Reads scene-file text back and replays it as calls on any scene interface:
// everything the file writer (velScene_api_file) can write, quirks included.
//
// Replaying into a file writer gives back the same bytes as the file that was
// read, wherever the file is what a writer wrote: the reader recovers a call
// sequence that makes a writer regenerate the text. Three things are not in
// the text and are inferred from it:
//  - the writer's mode flags (indentation on or off, lists as text or binary):
//    setModeFlags is called lazily, right before the first call whose output
//    shows that the mode changed;
//  - the type codes of values ("fov 60" may have been an int or a float): the
//    code chosen is one whose text is the same, preferring ints for integral
//    single numbers, float triples for three numbers, int lists for integral
//    lists, float triple lists for lists of three numbers (the mode flags
//    follow the code, not the other way round);
//  - the definitions of anonymous shaders, whose captured texts appear only
//    where they were inserted: each insertion is replayed as its own
//    definition (pushCapture, beginShader with a null name, its content,
//    endShader, capturedText, popCapture) right before the inserting call.
// Where a file was edited by hand (blanks changed, names quoted that the
// writer would write in hex) it is still read, to the same scene; only the
// bytes differ, and the result says where the layout first departs.
//
// Malformed input gets a problem with its line and column and never a crash
// or a hang; counts in the input are checked against the bytes that remain
// before anything is allocated for them. After a problem the reader skips to
// the next line that reads, so that one pass reports every problem; blocks
// still open at the end of the input are closed on the target, so that it
// always sees balanced calls.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "velScene_api.h"

namespace vel {

// A place in the text: byte offset, and 1-based line and column (in bytes;
// every line feed counts, also one inside binary data).
struct TextPosition {
    std::size_t offset = 0;
    int line = 1;
    int column = 1;
};

struct ReadProblem {
    TextPosition at;
    std::string message;
};

// A "#print" or "#error" line of the file: messages that the producer wrote
// into the scene (mesh validation reports them with "#error").
struct SceneMessage {
    TextPosition at;
    bool isError = false;
    std::string text;
};

struct ReadOptions {
    // The list mode of the writer that the calls go to, as it was made: the
    // file factory makes its writer with binary lists. A writer starts
    // without indentation in any case.
    bool targetBinaryLists = true;
    // Reading stops after this many problems.
    std::size_t maxProblems = 100;
    // Blocks nested deeper than this, and anonymous shader texts nested
    // deeper than maxTextDepth, are a problem rather than a deep recursion or
    // a tree that cannot be destroyed without one.
    std::size_t maxBlockDepth = 1000;
    std::size_t maxTextDepth = 64;
};

struct ReadResult {
    std::vector<ReadProblem> problems;
    // True when more problems were found than maxProblems and reading stopped.
    bool stopped = false;
    // Where the layout first departs from what a writer writes (blanks,
    // quoting): replaying then gives the same scene but not the same bytes.
    bool layoutIrregular = false;
    TextPosition firstIrregularity;
    // Calls made on the target.
    std::size_t calls = 0;
    // Every "#print" and "#error" read, in order.
    std::vector<SceneMessage> messages;

    bool ok() const { return problems.empty(); }
};

struct ParserScratch;

// Reads scenes one after another into memory that it keeps for its lists
// (values read from text, binary values copied where they lie unaligned):
// a program that reads many scenes (each live transfer, a benchmark's
// iterations) then writes into pages that are already there, rather than
// having the system find and clear fresh ones for every read. One read at a
// time; each read is the same as readScene's.
class SceneReader {
public:
    SceneReader();
    ~SceneReader();
    SceneReader(const SceneReader&) = delete;
    SceneReader& operator=(const SceneReader&) = delete;

    // Reads a whole scene text held in memory and replays it into `target`.
    ReadResult read(std::string_view text, velScene_api& target, const ReadOptions& options = {});

    // What is kept between reads is bounded: past this many bytes (a list of
    // 16 M floats), a read gives back all it used, so that one large scene
    // does not stay in the memory of a long-running program after it.
    static constexpr std::size_t kKeepAtMost = std::size_t(64) << 20;
    // The bytes kept for the next read.
    std::size_t keptBytes() const;

private:
    std::unique_ptr<ParserScratch> scratch_;
};

// Reads a whole scene text held in memory and replays it into `target`, with
// a reader of its own.
ReadResult readScene(std::string_view text, velScene_api& target, const ReadOptions& options = {});

// The position of byte `offset` in `text`.
TextPosition positionOf(std::string_view text, std::size_t offset);

// "LINE:COLUMN: MESSAGE".
std::string describe(const ReadProblem& problem);

// Loads a whole regular file (binary) into `bytes`. On failure returns false
// and puts the reason into `error`; what is no regular file is refused.
bool loadFile(const std::string& path, std::string& bytes, std::string& error);

} // namespace vel
