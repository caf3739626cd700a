# Cross build for 64-bit Arm Linux with Debian's g++-aarch64-linux-gnu. The
# tests run under qemu-user (package qemu-user-static), named here as the
# emulator, with the target's libraries from /usr/aarch64-linux-gnu, on the
# emulator's fullest processor, which has pointer authentication and branch
# target identification. Its pointer authentication uses the emulator's own
# algorithm, which signs and checks the same instructions some seven times
# faster than the architecture's QARMA.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)  # GoogleTest's project enables C
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/qemu-aarch64-static -cpu max,pauth-impdef=on -L /usr/aarch64-linux-gnu)

set(CMAKE_FIND_ROOT_PATH /usr/aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
