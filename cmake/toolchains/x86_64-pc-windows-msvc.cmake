# 64-bit x64 Windows, MSVC ABI, with clang-cl and lld-link.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(QUOVEX_MSVC_TRIPLE x86_64-pc-windows-msvc)
include(${CMAKE_CURRENT_LIST_DIR}/clang-cl.cmake)
