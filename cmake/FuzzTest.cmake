# kzm_add_fuzz_test(<name> SOURCES <file>... [LIBRARIES <lib>...] [INCLUDES <dir>...]
#                   CORPUS <dir> RUNS <n> MAX_LEN <n>)
# Builds a fuzz target (a file defining LLVMFuzzerTestOneInput) into the
# program <name> and registers a bounded, replayable run of it over its seed
# corpus as the test <name>: the corpus, then inputs mutated from it up to
# RUNS runs in all, none longer than MAX_LEN bytes; a crash fails the test.
# Under Clang the program is a libFuzzer binary (new inputs it finds go to a
# directory in the build tree, never into the sources); other compilers link
# it with the suite's own driver (tests/fuzz/fuzz_driver.cpp) under the same
# sanitizers as the rest of the build.
if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  set(KZM_LIBFUZZER ON)
else()
  set(KZM_LIBFUZZER OFF)
endif()

function(kzm_add_fuzz_test name)
  cmake_parse_arguments(PARSE_ARGV 1 FUZZ "" "CORPUS;RUNS;MAX_LEN" "SOURCES;LIBRARIES;INCLUDES")
  add_executable(${name} ${FUZZ_SOURCES})
  target_link_libraries(${name} PRIVATE ${FUZZ_LIBRARIES})
  if(FUZZ_INCLUDES)
    target_include_directories(${name} PRIVATE ${FUZZ_INCLUDES})
  endif()
  set(flags -runs=${FUZZ_RUNS} -seed=1 -max_len=${FUZZ_MAX_LEN})
  if(KZM_LIBFUZZER)
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    set(found ${CMAKE_CURRENT_BINARY_DIR}/${name}.found)
    file(MAKE_DIRECTORY ${found})
    add_test(NAME ${name} COMMAND ${name} ${flags} ${found} ${FUZZ_CORPUS})
  else()
    target_link_libraries(${name} PRIVATE fuzzdriver)
    add_test(NAME ${name} COMMAND ${name} ${flags} ${FUZZ_CORPUS})
  endif()
  set_tests_properties(${name} PROPERTIES WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR} TIMEOUT 120 LABELS fuzz)
endfunction()
