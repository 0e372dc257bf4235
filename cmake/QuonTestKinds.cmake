# Every test carries a label for its kind beside its subsystem's, so that `ctest -L KIND` picks
# the tests a change needs and the fast loop leaves out the slow ones:
#   unit      in memory, on the injected clock: a few seconds for all of them
#   pty       on pseudo-terminals, with the peers, relays and processes they start
#   realtime  bounds on real time (wake-ups, pacing, timers), which a loaded machine tries hardest
#   qt        the Qt backend, offscreen or on a virtual X display
#   wine      a Windows build's test, under Wine
# The virtual-machine suites are stages of scripts/test.sh, not ctest cases.

# By the test's name, over whichever program holds it.
set(QUON_PTY_TESTS [=[^(PosixPortTest|PosixOpenTest|PosixErrorTest|RealLineWaitTest|RealPeersTest|VirtualLineTest|Variants/LineNoiseTest|ServerEndToEndTest|CommandLineTest|Protocols/GetByProtocolTest|Rx/IndependentReceiverTest|Lrzsz/FromSx|Lrzsz/ToRx|LrzszPeerTest|NullModemTest|NullModemCommandLine|NoisyLine|CalcProtocolTest)[./]]=])
set(QUON_REALTIME_TESTS [=[^(SystemClock\.|PosixPortTest\.(AWaitSleeps|APauseWithUnread)|RealLineWaitTest\.|ConsoleBackendTest\.AnInterruptEndsAWaitAtOnce|QtBackendTest\.TimersFireOnTime|ServerEndToEndTest\.InterruptDuringASend|NullModemTest\.PacingHolds)]=])

# The kind of test NAME in a program of kind KIND (unit, or qt for the Qt backend's programs).
function(quon_test_kind out name kind)
  if(QUON_WINE_ARCH)
    set(kind wine)
  elseif(name MATCHES "${QUON_REALTIME_TESTS}")
    set(kind realtime)
  elseif(kind STREQUAL "unit" AND name MATCHES "${QUON_PTY_TESTS}")
    set(kind pty)
  endif()
  set(${out} ${kind} PARENT_SCOPE)
endfunction()

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
    "include(${CMAKE_CURRENT_FUNCTION_LIST_FILE})\n"
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
