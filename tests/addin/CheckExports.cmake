# cmake -DMODULE=<file> [-DOBJDUMP=<objdump>] -P CheckExports.cmake: fails
# unless the module exports exactly the functions run and stop, by those
# plain (unmangled) names. An ELF module's dynamic symbols are read with nm;
# a DLL's export table with the objdump given.
if(OBJDUMP)
  execute_process(COMMAND ${OBJDUMP} -p ${MODULE} OUTPUT_VARIABLE table RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "objdump failed on ${MODULE}")
  endif()
  # The name table lines: "\t[   0] run".
  string(REGEX MATCHALL "[^\n]+" lines "${table}")
  set(names)
  foreach(line IN LISTS lines)
    if(line MATCHES "^\t\\[ *[0-9]+\\] ([^ ]+)$")
      list(APPEND names ${CMAKE_MATCH_1})
    endif()
  endforeach()
else()
  execute_process(COMMAND nm -D --defined-only ${MODULE}
    OUTPUT_VARIABLE symbols RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "nm failed on ${MODULE}")
  endif()
  string(REGEX MATCHALL "[^\n]+" lines "${symbols}")
  set(names)
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^[0-9a-fA-F]* *[A-Za-z] " "" name "${line}")
    list(APPEND names ${name})
  endforeach()
endif()
list(SORT names)
if(NOT names STREQUAL "run;stop")
  message(FATAL_ERROR "${MODULE} exports: ${names} (only run and stop expected)")
endif()
