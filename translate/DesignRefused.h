#pragma once
// The failure of a design that the scene cannot hold as it is: components
// nested too deep, or a length too large for the scene's 32-bit floats. The
// command flows check for it before they open the file or the live link, so a
// refused export leaves the destination as it was and a refused transfer
// sends nothing.

#include <stdexcept>
#include <string>

namespace vel {

class DesignRefused : public std::runtime_error {
public:
    // "The scene cannot hold this design: <where>: <what>", where is the
    // component path (or the part of the design) that does not fit.
    DesignRefused(const std::string& where, const std::string& what)
        : std::runtime_error("The scene cannot hold this design: " + where + ": " + what)
    {
    }
};

} // namespace vel
