# 32-bit x86 Windows, MSVC ABI, with clang-cl and lld-link.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(QUOVEX_MSVC_TRIPLE i686-pc-windows-msvc)
include(${CMAKE_CURRENT_LIST_DIR}/clang-cl.cmake)
