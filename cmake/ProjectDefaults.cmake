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

# rd_target_defaults(<target>): warnings as errors for code we write.
# Third-party headers come in as SYSTEM includes and stay out of this.
function(rd_target_defaults target)
  if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(${target} PRIVATE
      -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align
      -Woverloaded-virtual -Wformat=2 -Werror)
  endif()
endfunction()

# rd_add_gtest(<name> SOURCES ... LIBS ...): one GoogleTest executable
# registered with CTest.
function(rd_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  rd_target_defaults(${name})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "RD_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
endfunction()
