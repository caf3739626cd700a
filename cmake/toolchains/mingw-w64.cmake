# What both Windows cross builds share; each target's toolchain file sets
# QUOVEX_MINGW_TRIPLE and its own image settings, then includes this file.
# The tools are Debian's mingw-w64 packages for that triple.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_CXX_COMPILER ${QUOVEX_MINGW_TRIPLE}-g++)
set(CMAKE_RC_COMPILER ${QUOVEX_MINGW_TRIPLE}-windres)

# Only what a target names is linked; the default list of Windows libraries
# would add nothing to the image but noise to the link line.
set(CMAKE_CXX_STANDARD_LIBRARIES "" CACHE STRING "Libraries linked into every C++ target")

set(CMAKE_FIND_ROOT_PATH /usr/${QUOVEX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
