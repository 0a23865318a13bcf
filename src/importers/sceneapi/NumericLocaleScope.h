#pragma once
// Switches the numeric category of the process locale (LC_NUMERIC) to "C"
// for the scope's lifetime, so that anything printf-formatted meanwhile gets
// a decimal point, and restores the previous setting at its end.

#include <clocale>
#include <string>

namespace vel {

class NumericLocaleScope {
public:
    NumericLocaleScope()
    {
        if (const char* current = std::setlocale(LC_NUMERIC, nullptr))
            saved_ = current;
        std::setlocale(LC_NUMERIC, "C");
    }
    ~NumericLocaleScope()
    {
        if (!saved_.empty())
            std::setlocale(LC_NUMERIC, saved_.c_str());
    }
    NumericLocaleScope(const NumericLocaleScope&) = delete;
    NumericLocaleScope& operator=(const NumericLocaleScope&) = delete;

private:
    std::string saved_;
};

} // namespace vel
