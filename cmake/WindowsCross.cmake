# The Windows cross build (preset "mingw", toolchain cmake/mingw-w64.cmake):
# the third-party libraries for the target, and Wine to run what is built.
#
# Nothing of the build machine's /usr/include may reach the cross compiler, as
# its C and system headers are Linux ones. So:
#   - header-only libraries (nlohmann-json, CLI11, Asio) are reached through
#     a folder of links to exactly their own folders in /usr/include
#     (<build>/cross-root/include);
#   - GoogleTest is compiled from Debian's sources in /usr/src/googletest;
#   - TinyXML-2 is compiled from Debian's source package, fetched into the
#     build tree with apt-get source when the build is configured (deb-src
#     must be enabled; tools/setup-deps.sh does that);
#   - the icon tool, which needs libpng and runs during the build, is built
#     for the build machine instead (tools/CMakeLists.txt).
# The find_package() calls of the project find these through package
# redirections (CMAKE_FIND_PACKAGE_REDIRECTS_DIR), so the folders' own build
# files stay the same for every build.

if(NOT (WIN32 AND CMAKE_CROSSCOMPILING))
  return()
endif()

set(RD_BUILD_BENCH OFF CACHE BOOL "" FORCE)

# The C99 printf family of the mingw runtime instead of msvcrt's, so that
# formats such as %zu, %lld and %g print as on every other system.
add_compile_definitions(__USE_MINGW_ANSI_STDIO=1)

# DLLs named as on Windows (adsk.dll, not libadsk.dll); only the import
# libraries of the linker keep the lib prefix.
set(CMAKE_SHARED_LIBRARY_PREFIX "")
set(CMAKE_SHARED_MODULE_PREFIX "")

# Tests and build-time checks run under Wine, in a prefix kept in the build
# tree (created on first use, then reused).
if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/tools/wine-run.sh ${CMAKE_BINARY_DIR}/wine-prefix)
endif()
set(RD_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)

# rd_redirect_package(<name> <version> <cmake code>...): find_package(<name>)
# runs the code instead of searching the target system.
function(rd_redirect_package name version)
  string(TOLOWER ${name} lower)
  string(JOIN "" code ${ARGN})
  file(WRITE ${CMAKE_FIND_PACKAGE_REDIRECTS_DIR}/${lower}-config.cmake "${code}\n")
  file(WRITE ${CMAKE_FIND_PACKAGE_REDIRECTS_DIR}/${lower}-config-version.cmake
    "set(PACKAGE_VERSION \"${version}\")\n"
    "if(PACKAGE_FIND_VERSION AND PACKAGE_FIND_VERSION VERSION_GREATER PACKAGE_VERSION)\n"
    "  set(PACKAGE_VERSION_COMPATIBLE FALSE)\n"
    "else()\n"
    "  set(PACKAGE_VERSION_COMPATIBLE TRUE)\n"
    "endif()\n")
endfunction()

# The version of an installed Debian package, upstream part only.
function(rd_debian_version package out)
  execute_process(COMMAND dpkg-query -W -f=\${Version} ${package}
    OUTPUT_VARIABLE version RESULT_VARIABLE failed ERROR_QUIET)
  if(failed)
    message(FATAL_ERROR "The Windows build needs the Debian package ${package} (tools/setup-deps.sh installs it)")
  endif()
  string(REGEX REPLACE "^[0-9]+:" "" version "${version}")
  string(REGEX MATCH "^[0-9]+(\\.[0-9]+)*" version "${version}")
  set(${out} ${version} PARENT_SCOPE)
endfunction()

# Header-only libraries: links in <build>/cross-root/include, a folder that
# also joins the target's search roots, so that find_path and find_file see
# these headers (and only these) too.
set(RD_CROSS_INCLUDE ${CMAKE_BINARY_DIR}/cross-root/include)
file(MAKE_DIRECTORY ${RD_CROSS_INCLUDE})
list(APPEND CMAKE_FIND_ROOT_PATH ${CMAKE_BINARY_DIR}/cross-root)
foreach(entry nlohmann CLI asio asio.hpp)
  if(NOT EXISTS /usr/include/${entry})
    message(FATAL_ERROR "/usr/include/${entry} is missing (tools/setup-deps.sh installs it)")
  endif()
  file(CREATE_LINK /usr/include/${entry} ${RD_CROSS_INCLUDE}/${entry} SYMBOLIC)
endforeach()

function(rd_header_only_package name target package)
  rd_debian_version(${package} version)
  rd_redirect_package(${name} ${version}
    "if(NOT TARGET ${target})\n"
    "  add_library(${target} INTERFACE IMPORTED)\n"
    "  set_target_properties(${target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES \"${RD_CROSS_INCLUDE}\")\n"
    "endif()")
endfunction()
rd_header_only_package(nlohmann_json nlohmann_json::nlohmann_json nlohmann-json3-dev)
rd_header_only_package(CLI11 CLI11::CLI11 libcli11-dev)
rd_header_only_package(asio asio::asio libasio-dev)

# GoogleTest and GoogleMock, compiled for the target. Their own build defines
# GTest::gtest, GTest::gtest_main, GTest::gmock and GTest::gmock_main.
if(RD_BUILD_TESTS)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  rd_debian_version(googletest version)
  rd_redirect_package(GTest ${version} "set(GTest_FOUND TRUE)")
endif()

# TinyXML-2 from Debian's source package, fetched once into the build tree.
set(RD_TINYXML2_DIR ${CMAKE_BINARY_DIR}/_deps/tinyxml2)
if(NOT EXISTS ${RD_TINYXML2_DIR}/tinyxml2.cpp)
  set(download ${CMAKE_BINARY_DIR}/_deps/tinyxml2-download)
  file(REMOVE_RECURSE ${download})
  file(MAKE_DIRECTORY ${download})
  message(STATUS "Fetching the TinyXML-2 source package with apt-get source")
  execute_process(COMMAND apt-get source -qq -o APT::Sandbox::User=root tinyxml2
    WORKING_DIRECTORY ${download} RESULT_VARIABLE failed OUTPUT_QUIET ERROR_VARIABLE error)
  file(GLOB unpacked LIST_DIRECTORIES true ${download}/tinyxml2-*)
  list(FILTER unpacked INCLUDE REGEX "/tinyxml2-[0-9][^/]*$")
  if(failed OR NOT unpacked)
    message(FATAL_ERROR "apt-get source tinyxml2 failed (deb-src must be enabled; tools/setup-deps.sh does it):\n${error}")
  endif()
  file(REMOVE_RECURSE ${RD_TINYXML2_DIR})
  file(RENAME ${unpacked} ${RD_TINYXML2_DIR})
  file(REMOVE_RECURSE ${download})
endif()
add_library(rd_tinyxml2 STATIC ${RD_TINYXML2_DIR}/tinyxml2.cpp)
target_include_directories(rd_tinyxml2 SYSTEM PUBLIC ${RD_TINYXML2_DIR})
add_library(tinyxml2::tinyxml2 ALIAS rd_tinyxml2)
rd_debian_version(libtinyxml2-dev version)
rd_redirect_package(tinyxml2 ${version} "set(tinyxml2_FOUND TRUE)")

# Programs and the DLLs they link (adsk.dll) in one folder, where Windows
# looks for a program's DLLs first. Modules loaded by path (the add-in, live
# libraries) keep their own folders.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
