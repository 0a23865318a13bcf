# cmake -DCLANG=<clang++> -DHEADERS=<h1|h2...> -DINCLUDE_DIRS=<d1|d2...>
#       -DWORK_DIR=<folder> -P CheckMicrosoftAbiSlots.cmake
#
# The interfaces of these headers are vtables shared with code that MSVC
# compiles (the renderer's live library). Each of their virtual operations
# states its slot as a trailing "// N" on the line that declares it, counted
# from 1 as the Microsoft ABI counts them (a destructor is one slot), so the
# number moves with the declaration. This script has clang lay the classes
# out as MSVC does (--target=x86_64-pc-windows-msvc, -fdump-vtable-layouts)
# and fails when an operation sits in another slot than its header states,
# when an operation states no slot, or when a name is overloaded: MSVC groups
# the overloads of a name together, in reverse order of declaration, which
# moves slots that GCC keeps in declaration order.
cmake_minimum_required(VERSION 3.25)
string(REPLACE "|" ";" HEADERS "${HEADERS}")
string(REPLACE "|" ";" INCLUDE_DIRS "${INCLUDE_DIRS}")
file(MAKE_DIRECTORY ${WORK_DIR})
set(problems "")

# --- What the headers state: per class, "slot name" entries. Classes and
# namespaces open at the start of a line, as the project writes them.
set(classes "")
foreach(header IN LISTS HEADERS)
  file(STRINGS ${header} lines)
  set(namespace "")
  set(class "")
  set(number 0)
  foreach(line IN LISTS lines)
    math(EXPR number "${number} + 1")
    if(line MATCHES "^namespace ([A-Za-z_0-9:]+) {")
      set(namespace "${CMAKE_MATCH_1}::")
    elseif(line MATCHES "^}( //.*)?$")
      set(namespace "")
    elseif(line MATCHES "^class ([A-Za-z_0-9]+)[^;]*$")
      set(class ${namespace}${CMAKE_MATCH_1})
      string(MAKE_C_IDENTIFIER ${class} id)
      set(slots_${id} "")
    elseif(line MATCHES "^};")
      if(NOT slots_${id} STREQUAL "")
        list(APPEND classes ${class})
      endif()
      set(class "")
    elseif(class AND line MATCHES "virtual[^(]*[ *&]([~A-Za-z_][A-Za-z_0-9]*) *\\(")
      set(name ${CMAKE_MATCH_1})
      if(line MATCHES "// ([0-9]+) *$")
        list(APPEND slots_${id} "${CMAKE_MATCH_1} ${name}")
      else()
        string(APPEND problems "  ${header}:${number}: ${class}::${name} states no slot (\"// N\" after it)\n")
      endif()
    endif()
  endforeach()
endforeach()
if(classes STREQUAL "")
  message(FATAL_ERROR "no interface with virtual operations found in ${HEADERS}")
endif()

# --- What clang lays out under the Microsoft ABI. A vtable is laid out where
# a constructor of a class derived from the interface is defined. The headers
# need nothing of the C++ library but <cstdint>, which the Windows target
# lacks here: a stand-in over the compiler's own <stdint.h> serves.
file(WRITE ${WORK_DIR}/include/cstdint
  "#pragma once\n#include <stdint.h>\nnamespace std {\n"
  "using ::int8_t; using ::int16_t; using ::int32_t; using ::int64_t;\n"
  "using ::uint8_t; using ::uint16_t; using ::uint32_t; using ::uint64_t;\n"
  "using ::intptr_t; using ::uintptr_t;\n}\n")
set(source "")
foreach(header IN LISTS HEADERS)
  string(APPEND source "#include \"${header}\"\n")
endforeach()
set(n 0)
foreach(class IN LISTS classes)
  math(EXPR n "${n} + 1")
  string(APPEND source "struct Layout${n} : ${class} { Layout${n}(); };\nLayout${n}::Layout${n}() {}\n")
endforeach()
file(WRITE ${WORK_DIR}/layouts.cpp "${source}")
set(includes "")
foreach(dir IN LISTS INCLUDE_DIRS)
  if(NOT dir STREQUAL "")
    list(APPEND includes -I${dir})
  endif()
endforeach()
execute_process(
  COMMAND ${CLANG} --target=x86_64-pc-windows-msvc -std=c++20 -ffreestanding
          -isystem ${WORK_DIR}/include ${includes}
          -Xclang -fdump-vtable-layouts -S -emit-llvm -o ${WORK_DIR}/layouts.ll ${WORK_DIR}/layouts.cpp
  OUTPUT_VARIABLE dump ERROR_VARIABLE errors RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${CLANG} could not lay out the interfaces:\n${errors}")
endif()

# "VFTable indices for 'vel::live::QueryApi' (7 entries)." and then one line
# per operation, "   0 | const char *vel::live::QueryApi::listInstances()",
# numbered from 0: slot N is index N - 1.
string(REPLACE ";" "," dump "${dump}")
string(REPLACE "[" "<" dump "${dump}")
string(REPLACE "]" ">" dump "${dump}")
string(REPLACE "\n" ";" dump "${dump}")
set(current "")
foreach(line IN LISTS dump)
  if(line MATCHES "^VFTable indices for '([^']+)'")
    set(current ${CMAKE_MATCH_1})
    string(MAKE_C_IDENTIFIER ${current} id)
    set(laid_${id} "")
  elseif(current AND line MATCHES "^ +([0-9]+) \\| ([^(]*[: *&])?([~A-Za-z_][A-Za-z_0-9]*)\\(")
    math(EXPR slot "${CMAKE_MATCH_1} + 1")
    list(APPEND laid_${id} "${slot} ${CMAKE_MATCH_3}")
  else()
    set(current "")
  endif()
endforeach()

# --- The two must agree, slot for slot.
foreach(class IN LISTS classes)
  string(MAKE_C_IDENTIFIER ${class} id)
  if(NOT DEFINED laid_${id})
    string(APPEND problems "  ${class}: clang printed no layout\n")
    continue()
  endif()
  set(before "${problems}")
  set(names "")
  foreach(entry IN LISTS laid_${id})
    string(REGEX MATCH "^[0-9]+" slot "${entry}")
    string(REGEX REPLACE "^[0-9]+ " "" name "${entry}")
    if(name IN_LIST names)
      string(APPEND problems "  ${class}::${name} is overloaded: MSVC groups the overloads of a name together\n")
    endif()
    list(APPEND names ${name})
    set(stated ${slots_${id}})
    list(FILTER stated INCLUDE REGEX "^${slot} ")
    if(NOT stated STREQUAL entry)
      string(REGEX REPLACE "^[0-9]+ " "" stated "${stated}")
      string(REPLACE ";" " and " stated "${stated}")
      if(stated STREQUAL "")
        set(stated "nothing")
      endif()
      string(APPEND problems "  ${class} slot ${slot}: the header puts ${stated} there, the Microsoft ABI ${name}\n")
    endif()
  endforeach()
  list(LENGTH names count)
  foreach(entry IN LISTS slots_${id})
    string(REGEX MATCH "^[0-9]+" slot "${entry}")
    if(slot GREATER count OR slot LESS 1)
      string(APPEND problems "  ${class}: the header states slot ${entry}, the Microsoft ABI has slots 1 to ${count}\n")
    endif()
  endforeach()
  if(problems STREQUAL before)
    message(STATUS "${class}: the ${count} slots its header states")
  endif()
endforeach()
if(NOT problems STREQUAL "")
  message(FATAL_ERROR "vtable slots under the Microsoft ABI differ from what the headers state:\n${problems}")
endif()
