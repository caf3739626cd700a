# What the MSVC-ABI cross builds share: clang-cl, lld-link and LLVM's
# resource compiler, librarian, manifest tool and dlltool, from Debian's
# LLVM 14 (packages clang-tools-14, lld-14 and llvm-14). Each target's
# toolchain file sets the processor and QUOVEX_MSVC_TRIPLE, then includes
# this file. There is no Windows SDK here to link a test program against, so
# CMake's checks compile without linking.
set(CMAKE_SYSTEM_NAME Windows)
set(llvm /usr/lib/llvm-14/bin)
set(CMAKE_CXX_COMPILER ${llvm}/clang-cl)
set(CMAKE_CXX_COMPILER_TARGET ${QUOVEX_MSVC_TRIPLE})
set(CMAKE_LINKER ${llvm}/lld-link)
set(CMAKE_RC_COMPILER ${llvm}/llvm-rc)
set(CMAKE_AR ${llvm}/llvm-lib)
set(CMAKE_MT ${llvm}/llvm-mt)
set(CMAKE_DLLTOOL ${llvm}/llvm-dlltool)
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
