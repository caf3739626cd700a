# Cross build for 64-bit Arm Linux (package g++-aarch64-linux-gnu), run on
# the emulator's fullest processor, which has pointer authentication and
# branch target identification. Its pointer authentication uses the
# emulator's own algorithm, which signs and checks the same instructions
# some seven times faster than the architecture's QARMA.
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(QUOVEX_LINUX_TRIPLE aarch64-linux-gnu)
set(QUOVEX_QEMU /usr/bin/qemu-aarch64-static -cpu max,pauth-impdef=on)

include(${CMAKE_CURRENT_LIST_DIR}/linux-gnu.cmake)
