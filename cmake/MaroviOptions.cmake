# Every target of the project links marovi_options: warnings, sanitizers and
# the execution character set live here and nowhere else.
add_library(marovi_options INTERFACE)

target_compile_options(marovi_options INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
  -Wcast-align -Wformat=2 -Wnull-dereference -Wdouble-promotion
  -Wundef -Wno-unused-parameter
  $<$<COMPILE_LANGUAGE:CXX>:-Wnon-virtual-dtor -Woverloaded-virtual -Wold-style-cast>)

# No code reads errno after a math function. Without this, every sqrt keeps a
# call into libm for negative arguments, and marovi-convert would load libm
# at every start for that alone.
target_compile_options(marovi_options INTERFACE -fno-math-errno)

# Sources are UTF-8; every narrow literal is stored as Shift_JIS. CP932 rather
# than SHIFT_JIS, because the latter maps 0x5C to the yen sign and would turn
# "\" in paths into a two-byte character. Clang only knows UTF-8 as execution
# charset; clang builds (fuzzing) therefore keep UTF-8 literals, which changes
# the bytes of messages but none of the program's logic.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  target_compile_options(marovi_options INTERFACE
    -finput-charset=UTF-8 -fexec-charset=CP932)
endif()

if(MAROVI_SANITIZE)
  target_compile_options(marovi_options INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  target_link_options(marovi_options INTERFACE -fsanitize=address,undefined)
endif()

# libFuzzer: the coverage that steers the fuzzer comes from the program's own
# code, so every target is instrumented; the fuzz targets link
# marovi_fuzzer_main, libFuzzer's main.
if(MAROVI_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang" OR NOT CMAKE_C_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "MAROVI_FUZZ needs clang and clang++ (cmake --preset fuzz)")
  endif()
  if(NOT MAROVI_SANITIZE)
    message(FATAL_ERROR "MAROVI_FUZZ needs MAROVI_SANITIZE=ON: a fuzzer without sanitizers finds only crashes")
  endif()
  target_compile_options(marovi_options INTERFACE -fsanitize=fuzzer-no-link)
  add_library(marovi_fuzzer_main INTERFACE)
  target_link_options(marovi_fuzzer_main INTERFACE -fsanitize=fuzzer)
endif()
