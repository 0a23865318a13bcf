#pragma once
// Symbol export of the host's API library, and of an add-in's entry points.
//
// ADSK_API marks what the host's API library exports: dllexport while the
// library itself is compiled (ADSK_BUILDING_LIBRARY), dllimport for everyone
// who links it. On ELF platforms the library is built with hidden visibility,
// so a class or function that lacks the mark fails to link there as well,
// not only in the Windows build.
//
// XI_EXPORT marks an add-in's `run` and `stop`, which the host finds by name:
//     extern "C" XI_EXPORT bool run(const char* context);

#if defined(_WIN32)
#  if defined(ADSK_BUILDING_LIBRARY)
#    define ADSK_API __declspec(dllexport)
#  else
#    define ADSK_API __declspec(dllimport)
#  endif
#  define XI_EXPORT __declspec(dllexport)
#else
#  define ADSK_API __attribute__((visibility("default")))
#  define XI_EXPORT __attribute__((visibility("default")))
#endif
