# 32-bit Windows, the original target.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(QUON_MINGW_PREFIX i686-w64-mingw32)
set(QUON_WINE_ARCH win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
