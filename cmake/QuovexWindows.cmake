# What each Windows image is, decided here from the target processor and the
# toolchain family, whatever the toolchain file (or a native build) says:
# its code generation below, its link in driver/windows/CMakeLists.txt.
# Families: the MSVC ABI (Visual Studio's cl and link, or clang-cl and
# lld-link, which take the same options), and mingw-w64's, linked by GNU ld
# (GCC) or lld (clang, as llvm-mingw builds).
enable_language(RC)
include(QuovexSourceDate)  # the link time

if(MSVC)
  set(QUOVEX_WINDOWS_FAMILY msvc)
elseif(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  set(QUOVEX_WINDOWS_FAMILY llvm-mingw)
else()
  set(QUOVEX_WINDOWS_FAMILY gnu)
endif()
# The pointer size tells x86 from x64 where a toolchain file names no
# processor; the image check and the release take these names.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(QUOVEX_WINDOWS_PROCESSOR x86)
else()
  set(QUOVEX_WINDOWS_PROCESSOR AMD64)
endif()
set(QUOVEX_WINDOWS_FAMILY ${QUOVEX_WINDOWS_FAMILY} CACHE INTERNAL "The Windows toolchain family")
set(QUOVEX_WINDOWS_PROCESSOR ${QUOVEX_WINDOWS_PROCESSOR} CACHE INTERNAL "The Windows image's processor")

if(QUOVEX_WINDOWS_FAMILY STREQUAL "msvc")
  # A stack cookie in every function with a buffer, checked against the one
  # the loader sets (driver/windows/load_config.cpp), and Control Flow Guard,
  # whose table of call targets the linker writes. No runtime names itself
  # as a default library. Debug builds' run-time checks call into a runtime
  # this image does not link, so they go.
  add_compile_options(/GS /guard:cf /Zl)
  foreach(config IN ITEMS DEBUG RELWITHDEBINFO)
    string(REGEX REPLACE "/RTC[1csu]*" "" CMAKE_CXX_FLAGS_${config} "${CMAKE_CXX_FLAGS_${config}}")
  endforeach()
else()
  # The image names no compiler, and links no runtime, so its code may need
  # none: no exceptions, no type information.
  add_compile_options(-fno-ident -fno-exceptions -fno-rtti)
  add_link_options(-fno-ident)
  if(QUOVEX_WINDOWS_PROCESSOR STREQUAL "x86")
    # The loader enters with the stack aligned to 4 bytes only, and nothing
    # here needs more, so no function realigns it. x86 exception handling
    # walks frames on the stack and needs no tables.
    if(QUOVEX_WINDOWS_FAMILY STREQUAL "gnu")
      add_compile_options(-mpreferred-stack-boundary=2)
    else()
      add_compile_options(-mstack-alignment=4)
    endif()
    add_compile_options(-fno-asynchronous-unwind-tables)
  else()
    # Windows moves an image only when it carries a base relocation table,
    # and code that reaches all data relative to the instruction pointer
    # needs no relocation, so the linker would write none; the large code
    # model addresses data absolutely, which gives the table its entries.
    # Unwind tables stay on: x64 exception dispatch, debuggers and stack
    # walks find every function's frame in them.
    add_compile_options(-mcmodel=large)
  endif()
endif()

# Where the toolchain brings no C++ library headers (clang-cl without Visual
# Studio's, clang for mingw-w64 beside Debian's GCC), <cstdint>, all the code
# includes of one, is stood in for by the C header it wraps.
include(CheckIncludeFileCXX)
check_include_file_cxx(cstdint QUOVEX_HAS_CSTDINT)
if(NOT QUOVEX_HAS_CSTDINT)
  include_directories(SYSTEM ${PROJECT_SOURCE_DIR}/driver/windows/include)
endif()
