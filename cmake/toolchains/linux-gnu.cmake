# What the Linux cross builds share; each target's toolchain file sets the
# processor, QUOVEX_LINUX_TRIPLE and QUOVEX_QEMU (the emulator and its
# options), then includes this file. The tools are Debian's g++-TRIPLE; the
# tests run under qemu-user (qemu-user-static), named here as the emulator,
# with the target's libraries from /usr/TRIPLE. Nothing is registered with
# binfmt_misc.
set(CMAKE_SYSTEM_NAME Linux)

set(CMAKE_C_COMPILER ${QUOVEX_LINUX_TRIPLE}-gcc)  # GoogleTest's project enables C
set(CMAKE_CXX_COMPILER ${QUOVEX_LINUX_TRIPLE}-g++)
set(CMAKE_CROSSCOMPILING_EMULATOR ${QUOVEX_QEMU} -L /usr/${QUOVEX_LINUX_TRIPLE})

set(CMAKE_FIND_ROOT_PATH /usr/${QUOVEX_LINUX_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
