#include "Program.h"

#include <cstdio>
#include <exception>
#include <new>

namespace platform {

namespace {

int fail(const char* program, const char* what, int status)
{
    // Whatever the body printed comes first.
    std::fflush(stdout);
    std::fprintf(stderr, "%s: %s\n", program, what);
    return status;
}

} // namespace

int guardedMain(const char* program, int failureStatus, int (*body)(int, char**), int argc, char** argv)
{
    try {
        return body(argc, argv);
    } catch (const std::bad_alloc&) {
        return fail(program, "out of memory", failureStatus);
    } catch (const std::exception& e) {
        return fail(program, e.what(), failureStatus);
    } catch (...) {
        return fail(program, "an unexpected failure", failureStatus);
    }
}

} // namespace platform
