# 32-bit Arm Linux with hardware floating point (armhf), as older and smaller boards run.
set(CMAKE_SYSTEM_PROCESSOR arm)
set(QUON_GNU_TRIPLET arm-linux-gnueabihf)
set(QUON_DEBIAN_ARCH armhf)
set(QUON_QEMU qemu-arm-static)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
