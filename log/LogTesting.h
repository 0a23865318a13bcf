#pragma once
// TEST ONLY. The log keeps process-wide state (the open file, the time base of
// the millisecond counter, the reporting level) that the add-in never resets.
// Tests that look at the log call this before and after each case, so that
// every case starts as a fresh process would. Never called by the add-in.

namespace vel {

// Closes the log file, forgets the time base and restores the reporting level.
void resetLogForTesting();

// The time-base part of it (Log.cpp).
void resetTimeBaseForTesting();

} // namespace vel
