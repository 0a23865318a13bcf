# cmake -DSOURCE_DIR=<repository> -P CheckNoOverloads.cmake: fails when a
# class of the scene interface or of the live library's interfaces declares
# two virtual operations of the same name. These headers define vtables
# shared with a separately compiled library; MSVC puts the overloads of a
# name next to each other in the vtable, GCC keeps declaration order, so an
# overload would move slots under one of them.
cmake_minimum_required(VERSION 3.25)
foreach(header ${SOURCE_DIR}/src/importers/sceneapi/velScene_api.h ${SOURCE_DIR}/livelink/LiveLibrary.h)
  file(STRINGS ${header} lines)
  set(class "")
  set(seen "")
  foreach(line IN LISTS lines)
    if(line MATCHES "^class ([A-Za-z_0-9]+)")
      set(class ${CMAKE_MATCH_1})
      set(seen "")
    elseif(line MATCHES "virtual[^(]*[ *&]([A-Za-z_][A-Za-z_0-9]*)\\(")
      set(name ${CMAKE_MATCH_1})
      if("${name}" IN_LIST seen)
        message(FATAL_ERROR "${header}: ${class} declares the virtual operation ${name} twice")
      endif()
      list(APPEND seen ${name})
    endif()
  endforeach()
endforeach()
