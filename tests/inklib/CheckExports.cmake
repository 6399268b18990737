# Fails unless the dynamic symbol table of LIBRARY defines exactly the eleven
# ZEL640_ functions. Names with a leading underscore are the toolchain's.
set(expected
  ZEL640_AnalyzeAndLock ZEL640_Close ZEL640_Free ZEL640_GetHeader ZEL640_GetLastError
  ZEL640_GetStrokeSize ZEL640_GetStrokes ZEL640_Open ZEL640_RotateStrokes
  ZEL640_SetStrokesBuffer ZEL640_Version)

execute_process(COMMAND ${NM} -D --defined-only ${LIBRARY}
  OUTPUT_VARIABLE listing RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${NM} failed on ${LIBRARY}")
endif()

string(REGEX MATCHALL "[^\n]+" lines "${listing}")
set(actual)
foreach(line IN LISTS lines)
  string(REGEX REPLACE "^.* " "" name "${line}")
  if(NOT name MATCHES "^_")
    list(APPEND actual ${name})
  endif()
endforeach()
list(SORT actual)

if(NOT actual STREQUAL expected)
  message(FATAL_ERROR "exports differ\n  expected: ${expected}\n  actual:   ${actual}")
endif()
