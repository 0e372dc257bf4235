# 64-bit Windows, what today's machines run.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QUON_MINGW_PREFIX x86_64-w64-mingw32)
set(QUON_WINE_ARCH win64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
