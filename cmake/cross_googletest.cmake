# GoogleTest built for the target from Debian's source package, since the host's libraries are
# of no use to a cross build. Its project defines the same GTest:: targets as find_package.
set(QUON_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest source tree")
if(NOT EXISTS ${QUON_GOOGLETEST_SOURCE}/CMakeLists.txt)
  message(FATAL_ERROR "No GoogleTest source in ${QUON_GOOGLETEST_SOURCE}: run scripts/setup.sh")
endif()

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(${QUON_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

# Built for a quick build, as the test programs' own code is.
foreach(lib gtest gtest_main gmock gmock_main)
  target_compile_options(${lib} PRIVATE -w $<$<CONFIG:Release,RelWithDebInfo>:-O1>)
endforeach()

include(GoogleTest)
if(QUON_WINE_ARCH)
  include(${CMAKE_CURRENT_LIST_DIR}/wine_tests.cmake)
endif()

# Listing a program's cases starts its emulator (Wine, qemu-user), which can take longer than
# GoogleTest's 5 seconds on a busy machine; a Wine prefix must be there before the first listing.
# Where Wine runs only in the clean 32-bit system, the cases are listed when the tests run there,
# and the first listing makes the prefix (half a minute, more on a busy machine).
function(gtest_discover_tests target)
  if(QUON_TESTS_ELSEWHERE)
    _gtest_discover_tests(${target} DISCOVERY_TIMEOUT 600 DISCOVERY_MODE PRE_TEST ${ARGN})
    return()
  endif()
  _gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 ${ARGN})
  if(TARGET quon_wineprefix)
    add_dependencies(${target} quon_wineprefix)
  endif()
endfunction()
