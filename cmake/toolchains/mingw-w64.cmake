# What the mingw-w64 cross builds share; each target's toolchain file sets
# the processor, QUOVEX_MINGW_TRIPLE and the compiler, then includes this
# file. The resource compiler and the libraries are Debian's mingw-w64
# packages for that triple.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_RC_COMPILER ${QUOVEX_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QUOVEX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
