# Build-wide choices: the project's options, warnings for its own targets,
# the sanitizer configuration, and the runtime-free code of the Linux and
# Windows images.

option(QUOVEX_SANITIZE "Build everything with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(QUOVEX_REQUIRE_TEST_TOOLS "Stop configuring when a test's tool is missing, not leave the test out" OFF)
option(QUOVEX_EXHAUSTIVE_TEST "Also test all 2^32 decimal conversions (about a minute on two cores)" OFF)

if(QUOVEX_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# The processor by its Linux name, whatever the host calls it (amd64 on the
# BSDs, AMD64 and ARM64 on Windows, arm64 on macOS); empty for any other.
string(TOLOWER "${CMAKE_SYSTEM_PROCESSOR}" processor)
if(processor MATCHES "^(x86_64|amd64|x64)$")
  set(QUOVEX_PROCESSOR x86_64)
elseif(processor MATCHES "^(aarch64|arm64)$")
  set(QUOVEX_PROCESSOR aarch64)
else()
  set(QUOVEX_PROCESSOR "")
endif()
# scripts/release names each build's artifacts by it.
set(QUOVEX_PROCESSOR ${QUOVEX_PROCESSOR} CACHE INTERNAL "The target processor, by its Linux name")

# The architectures for which the project has its own process entry and
# Linux system calls. There the executable links no runtime by default; the
# sanitizers need the C library build.
if(CMAKE_SYSTEM_NAME STREQUAL "Linux" AND QUOVEX_PROCESSOR)
  set(QUOVEX_LINUX_SYSCALLS ON)
else()
  set(QUOVEX_LINUX_SYSCALLS OFF)
endif()
if(QUOVEX_LINUX_SYSCALLS AND NOT QUOVEX_SANITIZE)
  set(runtime_free_default ON)
else()
  set(runtime_free_default OFF)
endif()
option(QUOVEX_RUNTIME_FREE "Link the Linux executable with no C or C++ runtime"
       ${runtime_free_default})
if(QUOVEX_RUNTIME_FREE)
  if(NOT QUOVEX_LINUX_SYSCALLS OR QUOVEX_SANITIZE)
    message(FATAL_ERROR "QUOVEX_RUNTIME_FREE needs Linux on x86_64 or aarch64, without sanitizers")
  endif()
  # Everything is position-independent, for a static PIE. Hidden symbols are
  # reached relative to the code, never through an address table that only
  # a loader would fill in (aarch64 code uses one for any symbol another
  # module might define). A stack protector would need a runtime to set up
  # its guard; nothing here indexes a buffer by more than a bounded count.
  set(CMAKE_POSITION_INDEPENDENT_CODE ON)
  add_compile_options(-fvisibility=hidden -fno-stack-protector)
endif()
# The images the project makes itself carry nothing but the program: not the
# name and version of the compiler that built them.
if(QUOVEX_RUNTIME_FREE OR WIN32)
  add_compile_options(-fno-ident)
endif()

# On 64-bit Arm every function opens with a landing pad and signs its return
# address, as Debian builds its arm64 packages: the kernel then guards the
# code pages of an image whose every part carries those marks.
if(QUOVEX_PROCESSOR STREQUAL "aarch64" AND NOT WIN32)
  add_compile_options(-mbranch-protection=standard)
endif()

if(WIN32)
  enable_language(RC)
  # Nothing may need runtime support: no exceptions, no type information.
  # What differs between the two images, unwind tables among it, comes from
  # their toolchain files.
  add_compile_options(-fno-exceptions -fno-rtti ${QUOVEX_WINDOWS_COMPILE_OPTIONS})
endif()

# The project's own code builds without a warning. The presets, and so the
# test command and the release, make warnings errors
# (CMAKE_COMPILE_WARNING_AS_ERROR); a plain configure does not, so a newer
# compiler or a distribution's own warning flags cannot stop a build.
function(quovex_target_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wconversion -Wsign-conversion -Wshadow)
endfunction()
