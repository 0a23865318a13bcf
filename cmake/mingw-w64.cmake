# Cross-building for Windows x64 on Debian with the mingw-w64 toolchain
# (g++-mingw-w64-x86-64-posix). Used by the preset "mingw".
#
# The -posix variant of the compiler, not -win32: its C++ runtime implements
# std::thread, std::mutex and std::condition_variable on winpthreads, which
# the -win32 variant lacks.
#
# The C++ runtime (libstdc++, libgcc, winpthreads) is linked statically into
# every executable and DLL, so that each runs under Wine or on Windows without
# runtime DLLs beside it. std::string and exceptions still cross the boundary
# of the stand-in host's adsk.dll safely: every module is built by this one
# compiler with the same library version (one std::string layout), all of
# them allocate through the one C runtime DLL (msvcrt.dll), and x64 exceptions
# unwind through the system's table-based handling, which crosses modules.
#
# Binaries built here run under Wine: the project sets
# CMAKE_CROSSCOMPILING_EMULATOR to tools/wine-run.sh with a Wine prefix in the
# build tree (cmake/WindowsCross.cmake), so ctest runs the tests there.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(RD_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${RD_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${RD_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${RD_MINGW_TRIPLE}-windres)

# Headers and libraries of the target only: nothing from /usr/include or the
# Linux libraries may leak into a Windows binary. Programs run on the build
# machine, so they are searched for there.
set(CMAKE_FIND_ROOT_PATH /usr/${RD_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# -static takes libstdc++, libgcc and winpthreads from their static archives;
# the system DLLs (kernel32, advapi32, msvcrt, ...) are still imported.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")
