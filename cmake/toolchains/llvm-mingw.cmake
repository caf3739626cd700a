# What the llvm-mingw builds share, clang for the mingw-w64 target linked by
# lld (packages clang, lld and Debian's mingw-w64 libraries); each target's
# toolchain file sets the processor and QUOVEX_MINGW_TRIPLE, then includes
# this file. Debian's clang finds mingw-w64's headers and import libraries
# but not GCC's own runtime, so CMake's checks compile without linking.
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_CXX_COMPILER_TARGET ${QUOVEX_MINGW_TRIPLE})
set(CMAKE_EXE_LINKER_FLAGS_INIT -fuse-ld=lld)
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
