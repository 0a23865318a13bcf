# Compiler settings shared by every target of our own.

if(RD_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

if(RD_FUZZ)
  # Coverage feedback for libFuzzer in everything; the fuzz targets link the
  # fuzzer's main with -fsanitize=fuzzer.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# rd_target_defaults(<target>): the warnings for code we write, as errors
# with RD_WARNINGS_AS_ERRORS, and the include roots: headers of our own are
# included by a path that names their folder (<platform/Files.h>,
# <scene/VelGroup.h>, and below src/importers <sceneapi/velScene_api.h>), so
# that an include line tells where it goes. Third-party headers come in as
# SYSTEM includes and stay out of this.
function(rd_target_defaults target)
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/src/importers)
  if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(${target} PRIVATE
      -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align
      -Woverloaded-virtual -Wformat=2)
    if(RD_WARNINGS_AS_ERRORS)
      target_compile_options(${target} PRIVATE -Werror)
    endif()
  endif()
endfunction()

# rd_add_gtest(<name> SOURCES ... LIBS ... [PROPERTIES <name> <value>...]):
# one GoogleTest executable registered with CTest; PROPERTIES are set on each
# of its tests.
function(rd_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;PROPERTIES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  rd_target_defaults(${name})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  # A cross build lists the tests through the emulator (Wine) when ctest
  # runs, not after every link.
  set(discovery)
  if(CMAKE_CROSSCOMPILING)
    set(discovery DISCOVERY_MODE PRE_TEST)
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 ${discovery}
    PROPERTIES ENVIRONMENT "RD_SOURCE_DIR=${PROJECT_SOURCE_DIR}" ${ARG_PROPERTIES})
endfunction()
