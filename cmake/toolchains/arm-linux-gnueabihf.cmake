# Cross build for 32-bit Arm Linux, hard-float (package
# g++-arm-linux-gnueabihf).
set(CMAKE_SYSTEM_PROCESSOR armv7l)
set(QUOVEX_LINUX_TRIPLE arm-linux-gnueabihf)
set(QUOVEX_QEMU /usr/bin/qemu-arm-static)

include(${CMAKE_CURRENT_LIST_DIR}/linux-gnu.cmake)
