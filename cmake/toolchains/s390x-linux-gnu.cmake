# Cross build for IBM Z Linux, big-endian (package g++-s390x-linux-gnu).
set(CMAKE_SYSTEM_PROCESSOR s390x)
set(QUOVEX_LINUX_TRIPLE s390x-linux-gnu)
set(QUOVEX_QEMU /usr/bin/qemu-s390x-static)

include(${CMAKE_CURRENT_LIST_DIR}/linux-gnu.cmake)
