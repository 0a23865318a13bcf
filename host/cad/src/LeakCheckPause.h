#pragma once
// Allocations a library makes and never frees, kept out of the leak check
// of sanitizer builds.

namespace standin::host::cad {

/// While a LeakCheckPause lives, the leak checker of sanitizer builds leaves
/// the allocations made on this thread alone; elsewhere it does nothing.
/// Only for calls into libraries whose leaks we cannot mend.
class LeakCheckPause {
public:
    LeakCheckPause();
    ~LeakCheckPause();
    LeakCheckPause(const LeakCheckPause&) = delete;
    LeakCheckPause& operator=(const LeakCheckPause&) = delete;
};

} // namespace standin::host::cad
