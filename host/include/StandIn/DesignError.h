#pragma once
// The error of every design reader: a document that cannot become a design.

#include <Core/Export.h>

#include <stdexcept>
#include <string>

namespace standin::host {

/// A rejected design. what() is "<source>: <location>: <problem>"
/// (without "<location>: " when there is none).
class ADSK_API DesignError : public std::runtime_error {
public:
    DesignError(std::string source, std::string location, std::string problem);

    /// The file (or the name given to parseDesign); may be empty.
    const std::string& source() const noexcept { return source_; }
    /// The JSON path ("components[2].name") or the text position ("line 3,
    /// column 7"); empty for problems of the whole file.
    const std::string& location() const noexcept { return location_; }
    /// What is wrong, for example "missing required field".
    const std::string& problem() const noexcept { return problem_; }

private:
    std::string source_;
    std::string location_;
    std::string problem_;
};

} // namespace standin::host
