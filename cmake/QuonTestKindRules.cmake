# Which kind a test is (cmake/QuonTestKinds.cmake); read at configure time and by ctest.
set(QUON_TEST_KIND_RULES ${CMAKE_CURRENT_LIST_FILE})

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
