# Cross build for Windows with Debian's mingw-w64 (posix threads variant, which std::thread and
# the rest of the C++ library need), shared by the i686 and x86_64 toolchain files, which set
# QUON_MINGW_PREFIX, CMAKE_SYSTEM_PROCESSOR and QUON_WINE_ARCH first. Programs are linked statically so that
# they run on a bare Windows, and run here under Wine through scripts/wine-run.sh.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${QUON_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUON_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${QUON_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QUON_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# The Wine prefix lives in the build folder, made on first use for the build's architecture and
# kept for later runs.
set(CMAKE_CROSSCOMPILING_EMULATOR
    "env;QUON_WINE_ARCH=${QUON_WINE_ARCH};${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh;${CMAKE_BINARY_DIR}/wineprefix")

# -O2 rather than -O3: GCC 12 reports false -Wrestrict errors in std::string code at -O3.
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "Flags for release builds")
set(CMAKE_C_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "Flags for release builds")
