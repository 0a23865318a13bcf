# Compiler settings shared by every target of our own.

# Debug information is kept, but compressed in ELF files: the five builds of
# tools/run-tests.sh would otherwise take about 4 GB of disk, most of it
# DWARF. gdb, perf and the sanitizers' symbolizer read compressed sections.
# PE files (the mingw build) cannot hold them; that build keeps line tables
# only (CMakePresets.json).
if(NOT WIN32 AND CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  add_compile_options(-gz)
  add_link_options(-gz)
endif()

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
      # GCC 12 warns -Wrestrict inside libstdc++'s std::string for
      # "text" + std::string at -O3, a known false positive
      # (docs/build-settings.md): shown, but no error. Real overlapping
      # copies are caught at run time by AddressSanitizer.
      if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12
         AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
        target_compile_options(${target} PRIVATE -Wno-error=restrict)
      endif()
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

# rd_add_fuzz_target(<name> SOURCES ... LIBS ... SEEDS <glob>...): a fuzz
# target whose sources define LLVMFuzzerTestOneInput. With RD_FUZZ it is a
# libFuzzer program; tools/run-fuzz.sh runs it on its seeds (globs under the
# repository: the tests' own inputs) and on the inputs kept in the folder's
# fuzz-regressions/. In every other build the same sources make
# <name>_replay, and the test <name>_regressions replays the kept inputs and
# the seeds through it, so an input the fuzzer once failed on is checked by
# the normal tests (under the sanitizers and Wine too).
function(rd_add_fuzz_target name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;SEEDS" ${ARGN})
  set(regressions ${CMAKE_CURRENT_SOURCE_DIR}/fuzz-regressions)
  file(GLOB kept CONFIGURE_DEPENDS ${regressions}/*)
  set(seeds "")
  foreach(pattern IN LISTS ARG_SEEDS)
    file(GLOB matched CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${pattern})
    list(APPEND seeds ${matched})
  endforeach()
  list(SORT seeds)
  if(NOT seeds)
    message(FATAL_ERROR "fuzz target ${name}: no seed matches ${ARG_SEEDS}")
  endif()
  if(RD_FUZZ)
    add_executable(${name} ${ARG_SOURCES})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    set(program ${name})
    # One line per target for tools/run-fuzz.sh: name, program, kept
    # inputs, seeds; separated by tabs.
    list(JOIN seeds "\t" seed_list)
    set_property(GLOBAL APPEND_STRING PROPERTY RD_FUZZ_TARGET_LINES
      "${name}\t$<TARGET_FILE:${name}>\t${regressions}\t${seed_list}\n")
    set_property(GLOBAL APPEND PROPERTY RD_FUZZ_TARGETS ${name})
  else()
    add_executable(${name}_replay ${ARG_SOURCES} ${PROJECT_SOURCE_DIR}/tests/support/FuzzReplayMain.cpp)
    set(program ${name}_replay)
    add_test(NAME ${name}_regressions COMMAND ${name}_replay ${kept} ${seeds})
  endif()
  rd_target_defaults(${program})
  target_link_libraries(${program} PRIVATE ${ARG_LIBS})
endfunction()

# After the last rd_add_fuzz_target: the target fuzz_targets, which builds
# them all, and <build>/fuzz-targets.txt, which lists them.
function(rd_write_fuzz_target_list)
  if(RD_FUZZ)
    get_property(names GLOBAL PROPERTY RD_FUZZ_TARGETS)
    get_property(lines GLOBAL PROPERTY RD_FUZZ_TARGET_LINES)
    add_custom_target(fuzz_targets)
    add_dependencies(fuzz_targets ${names})
    file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/fuzz-targets.txt CONTENT "${lines}")
  endif()
endfunction()
