#pragma once
// One log message: a line built in memory and handed to an output policy when
// the message object is destroyed.
//
//     file.cpp:42 - 12:34:56.789 INFO:  the text
//
// The header holds the base name of the source file, the line number, the
// time stamp (timeStamp()) and the level's name followed by ": " and one more
// blank. OutputPolicy supplies a static output(const std::string&) that
// writes a finished line, newline included.
//
// Use FILELog through VEL_LOG (FILELog.h), which builds a message only when it
// will be written.

#include "LogLevel.h"

#include <sstream>
#include <string>
#include <string_view>

namespace vel {

// The part of a source path after its last "\" or "/"; the whole path when it
// has neither.
std::string_view sourceFileName(std::string_view path);

// "HH:mm:ss.mmm": the local time of day, then milliseconds that count from
// the first time stamp of the process (not from the wall-clock second) and
// wrap every 1000. "Error in NowTime()" when the time cannot be formatted.
std::string timeStamp();

template <typename OutputPolicy>
class Log {
public:
    Log() = default;
    Log(const Log&) = delete;
    Log& operator=(const Log&) = delete;

    // Completes the line with a newline and writes it out. Never throws.
    virtual ~Log();

    // Writes the line header and returns the stream that the message text is
    // inserted into.
    std::ostringstream& get(int level, const char* sourcePath, int line);

protected:
    std::ostringstream os;
};

template <typename OutputPolicy>
std::ostringstream& Log<OutputPolicy>::get(int level, const char* sourcePath, int line)
{
    os << sourceFileName(sourcePath != nullptr ? sourcePath : "") << ':' << line << ' ' << "- " << timeStamp()
       << ' ';
    if (const char* name = logLevelName(level))
        os << name;
    else
        os << level;
    os << ": " << ' ';
    return os;
}

template <typename OutputPolicy>
Log<OutputPolicy>::~Log()
{
    try {
        os << '\n';
        os.flush();
        OutputPolicy::output(os.str());
    } catch (...) {
        // A message that cannot be built or written is dropped: the log
        // never stops the work it records.
    }
}

} // namespace vel
