# quon_add_fuzzer(<name> SOURCES <files...> SEEDS <folder> RUNS <count>)
# Builds a libFuzzer target and a CTest case that runs it from the seed folder for a fixed number
# of iterations with a fixed seed; new inputs stay in memory, so the source tree is never written.
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(FATAL_ERROR "QUON_FUZZ needs clang (use the sanitize preset)")
endif()

function(quon_add_fuzzer name)
  cmake_parse_arguments(FUZZ "" "SEEDS;RUNS" "SOURCES" ${ARGN})
  add_executable(${name} ${FUZZ_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)

  file(GLOB seeds CONFIGURE_DEPENDS ${FUZZ_SEEDS}/*)
  list(JOIN seeds "," seedList)
  add_test(NAME fuzz.${name}
    COMMAND ${name} -seed=1 -runs=${FUZZ_RUNS} -max_total_time=25 -print_final_stats=1
            -seed_inputs=${seedList} -artifact_prefix=${CMAKE_CURRENT_BINARY_DIR}/${name}-
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  quon_label_tests_of_kind(unit fuzz.${name})
endfunction()
