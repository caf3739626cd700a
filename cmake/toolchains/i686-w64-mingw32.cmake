# Cross build for 32-bit x86 Windows with Debian's mingw-w64 tools
# (packages g++-mingw-w64-i686 and binutils-mingw-w64-i686).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(QUOVEX_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_CXX_COMPILER ${QUOVEX_MINGW_TRIPLE}-g++)
set(CMAKE_RC_COMPILER ${QUOVEX_MINGW_TRIPLE}-windres)

# Only what a target names is linked; the default list of Windows libraries
# would add nothing to the image but noise to the link line.
set(CMAKE_CXX_STANDARD_LIBRARIES "" CACHE STRING "Libraries linked into every C++ target")

set(CMAKE_FIND_ROOT_PATH /usr/${QUOVEX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
