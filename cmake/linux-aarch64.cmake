# 64-bit Arm Linux (arm64), the boards' usual system: Debian's cross compiler, the target's
# libraries from the archive's arm64 half (multiarch), test programs under qemu-user.
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(QUON_GNU_TRIPLET aarch64-linux-gnu)
set(QUON_DEBIAN_ARCH arm64)
set(QUON_QEMU qemu-aarch64-static)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
