# Tests that run the Qt backend: offscreen, with a private runtime folder, and LeakSanitizer told
# about the caches Qt and fontconfig keep for the life of the process. Screenshots that the tests
# take land in <build>/screenshots.
find_package(Qt6 REQUIRED COMPONENTS Widgets Test)

set(QUON_SCREENSHOT_DIR ${CMAKE_BINARY_DIR}/screenshots)
set(QUON_XDG_RUNTIME_DIR ${CMAKE_BINARY_DIR}/xdg-runtime)
file(MAKE_DIRECTORY ${QUON_XDG_RUNTIME_DIR})
file(CHMOD ${QUON_XDG_RUNTIME_DIR} DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)

# Registers the tests of target, which links quon_ui_qt_testing (its main and QtScript). The
# environment goes on through a test include file: test discovery would split its list apart.
function(quon_discover_qt_tests target)
  gtest_discover_tests(${target} TEST_LIST ${target}_TESTS PROPERTIES TIMEOUT 60 LABELS qt)
  set(environment
    "QT_QPA_PLATFORM=offscreen"
    "XDG_RUNTIME_DIR=${QUON_XDG_RUNTIME_DIR}"
    "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/ui/tests/lsan_qt.supp:print_suppressions=0")
  set(script ${CMAKE_CURRENT_BINARY_DIR}/${target}_environment.cmake)
  file(WRITE ${script}
    "if(${target}_TESTS)\n"
    "  set_tests_properties(\${${target}_TESTS} PROPERTIES ENVIRONMENT \"${environment}\")\n"
    "endif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${script})
endfunction()
