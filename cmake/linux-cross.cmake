# Cross build for another Linux processor with Debian's cross compiler, shared by the arm64 and
# armhf toolchain files, which set CMAKE_SYSTEM_PROCESSOR, QUON_GNU_TRIPLET, QUON_DEBIAN_ARCH and
# QUON_QEMU first. The target's own libraries (libc, libstdc++, Qt) come from the archive's half
# of that architecture, installed beside ours (multiarch), and the test programs run under
# qemu-user on them: the programs they start are run by the same emulator through binfmt_misc,
# which finds the same libraries, so parent and child never mix two C libraries.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER ${QUON_GNU_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${QUON_GNU_TRIPLET}-g++)
set(CMAKE_LIBRARY_ARCHITECTURE ${QUON_GNU_TRIPLET})

# Packages of the target's architecture in /usr/lib/TRIPLET; tools (Qt's moc) of this machine.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_FIND_ROOT_PATH /usr/${QUON_GNU_TRIPLET} /)
set(QT_HOST_PATH /usr)

find_program(QUON_QEMU_PATH ${QUON_QEMU} REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${QUON_QEMU_PATH})
