# Tests that run the Qt backend: offscreen, with a private runtime folder, and LeakSanitizer told
# about the caches Qt and fontconfig keep for the life of the process. Screenshots that the tests
# take land in <build>/screenshots.
find_package(Qt6 REQUIRED COMPONENTS Widgets Test)

set(QUON_SCREENSHOT_DIR ${CMAKE_BINARY_DIR}/screenshots)
set(QUON_XDG_RUNTIME_DIR ${CMAKE_BINARY_DIR}/xdg-runtime)
file(MAKE_DIRECTORY ${QUON_XDG_RUNTIME_DIR})
file(CHMOD ${QUON_XDG_RUNTIME_DIR} DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)

# Registers the tests of target, which links quon_ui_qt_testing (its main and QtScript).
function(quon_discover_qt_tests target)
  quon_discover_tests(${target} KIND qt PROPERTIES TIMEOUT 60 ENVIRONMENT
    "QT_QPA_PLATFORM=offscreen"
    "XDG_RUNTIME_DIR=${QUON_XDG_RUNTIME_DIR}"
    "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/ui/tests/lsan_qt.supp:print_suppressions=0")
endfunction()
