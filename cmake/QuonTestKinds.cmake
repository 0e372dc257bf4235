# Every test carries a label for its kind beside its subsystem's, so that `ctest -L KIND` picks
# the tests a change needs and the fast loop leaves out the slow ones:
#   unit      in memory, on the injected clock: a few seconds for all of them
#   pty       on pseudo-terminals, with the peers, relays and processes they start
#   realtime  bounds on real time (wake-ups, pacing, timers), which a loaded machine tries hardest
#   qt        the Qt backend, offscreen or on a virtual X display
#   wine      a Windows build's test, under Wine
#   vm        a suite in a virtual machine of ours, which the test presets leave out

include(${CMAKE_CURRENT_LIST_DIR}/QuonTestKindRules.cmake)

# gtest_discover_tests with the kind labels, as in
#   quon_discover_tests(TARGET [KIND qt] [ENVIRONMENT VAR=VALUE...] [gtest_discover_tests options])
# The cases are known only once listed, so a test include file labels them after discovery; it
# also sets the environment, which discovery's PROPERTIES would split apart.
function(quon_discover_tests target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "KIND" "ENVIRONMENT")
  if(NOT arg_KIND)
    set(arg_KIND unit)
  endif()
  gtest_discover_tests(${target} TEST_LIST ${target}_TESTS ${arg_UNPARSED_ARGUMENTS})
  set(environment)
  if(arg_ENVIRONMENT)
    set(environment " ENVIRONMENT \"${arg_ENVIRONMENT}\"")
  endif()
  set(script ${CMAKE_CURRENT_BINARY_DIR}/${target}_kinds.cmake)
  file(WRITE ${script}
    "set(QUON_WINE_ARCH \"${QUON_WINE_ARCH}\")\n"
    "include(${QUON_TEST_KIND_RULES})\n"
    "foreach(test IN LISTS ${target}_TESTS)\n"
    "  quon_test_kind(kind \${test} ${arg_KIND})\n"
    "  set_tests_properties(\${test} PROPERTIES LABELS \${kind}${environment})\n"
    "endforeach()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${script})
endfunction()

# Labels tests registered with add_test, as in quon_label_tests_of_kind(KIND TEST...); such a
# test that cannot run on this machine exits 77 after a line that says why.
function(quon_label_tests_of_kind kind)
  foreach(test IN LISTS ARGN)
    quon_test_kind(test_kind ${test} ${kind})
    set_tests_properties(${test} PROPERTIES LABELS ${test_kind} SKIP_RETURN_CODE 77)
  endforeach()
endfunction()

# A test registered without a kind would fall out of every run by kind, the fast loop's among them.
if(NOT CMAKE_CROSSCOMPILING)
  add_test(NAME TestKinds.EveryTestHasOne
    COMMAND ${CMAKE_CTEST_COMMAND} --test-dir ${CMAKE_BINARY_DIR} -N -LE "^(unit|pty|realtime|qt|wine|vm)$")
  set_tests_properties(TestKinds.EveryTestHasOne PROPERTIES
    PASS_REGULAR_EXPRESSION "Total Tests: 0\n" LABELS unit)
endif()
