# cmake -DPDF=... -DPDFINFO=... -DPDFFONTS=... -P CheckManual.cmake
#
# The manual as it is shipped: a few pages, and every font embedded and one
# of the IPA fonts, so that its Japanese reads the same on any machine and no
# fallback font crept in.
cmake_minimum_required(VERSION 3.25)
foreach(tool PDFINFO PDFFONTS)
  if(NOT ${tool})
    message(FATAL_ERROR "${tool} not found (poppler-utils)")
  endif()
endforeach()

execute_process(COMMAND ${PDFINFO} ${PDF} OUTPUT_VARIABLE info RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "pdfinfo cannot read ${PDF}")
endif()
string(REGEX MATCH "Pages: +([0-9]+)" match "${info}")
set(pages ${CMAKE_MATCH_1})
if(NOT pages OR pages LESS 3)
  message(FATAL_ERROR "${PDF}: ${pages} pages, expected at least 3")
endif()

execute_process(COMMAND ${PDFFONTS} ${PDF} OUTPUT_VARIABLE fonts RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "pdffonts cannot read ${PDF}")
endif()
# pdffonts: two heading lines, then one line per font: name, type, encoding,
# then "yes"/"no" for embedded, subset and Unicode map.
string(REPLACE "\n" ";" lines "${fonts}")
list(SUBLIST lines 2 -1 rows)
set(count 0)
foreach(row IN LISTS rows)
  if(row STREQUAL "")
    continue()
  endif()
  math(EXPR count "${count} + 1")
  if(NOT row MATCHES "^([A-Z]+\\+)?IPA")
    message(FATAL_ERROR "${PDF}: a font other than the IPA fonts: ${row}")
  endif()
  if(NOT row MATCHES " (yes|no) +(yes|no) +(yes|no) +[0-9]+ +[0-9]+ *$" OR NOT CMAKE_MATCH_1 STREQUAL "yes")
    message(FATAL_ERROR "${PDF}: a font that is not embedded: ${row}")
  endif()
endforeach()
if(count EQUAL 0)
  message(FATAL_ERROR "${PDF}: no fonts")
endif()
message(STATUS "${PDF}: ${pages} pages, ${count} fonts, all embedded")
