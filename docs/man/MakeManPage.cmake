# cmake -DSCDOC=... -DGZIP=... -DSOURCE=page.scd -DROFF=page -DOUTPUT=page.gz -P MakeManPage.cmake
# The roff page is kept beside its source for `man -l`; the gzipped one is
# written aside and moved, so that a failed run leaves no page that looks
# finished. gzip -n keeps no name or time stamp: the same page, the same bytes.
execute_process(COMMAND ${SCDOC} INPUT_FILE ${SOURCE} OUTPUT_FILE ${ROFF} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  file(REMOVE ${ROFF})
  message(FATAL_ERROR "scdoc failed on ${SOURCE}")
endif()
# Option names and paths are not to be broken at a hyphen: scdoc says .nh
# before .TH, which turns hyphenation on again, so it is said after it too.
file(READ ${ROFF} roff)
string(REGEX REPLACE "(\n\\.TH [^\n]*\n)" "\\1.nh\n" roff "${roff}")
file(WRITE ${ROFF} "${roff}")
get_filename_component(folder ${OUTPUT} DIRECTORY)
file(MAKE_DIRECTORY ${folder})
execute_process(COMMAND ${GZIP} -9 -n -c INPUT_FILE ${ROFF} OUTPUT_FILE ${OUTPUT}.part RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  file(REMOVE ${OUTPUT}.part)
  message(FATAL_ERROR "gzip failed on ${ROFF}")
endif()
file(RENAME ${OUTPUT}.part ${OUTPUT})
