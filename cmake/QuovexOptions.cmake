# Build-wide choices: the project's options, warnings for its own targets,
# the sanitizer configuration, and the runtime-free code of the Linux and
# Windows images.

option(QUOVEX_SANITIZE "Build everything with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(QUOVEX_REQUIRE_TEST_TOOLS "Stop configuring when a test's tool is missing, not leave the test out" OFF)
option(QUOVEX_FULL_SUITE "Add the slow checks: all 2^32 decimal conversions, the build's choices and every configuration users build (minutes on two cores)" OFF)

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
  # module might define).
  set(CMAKE_POSITION_INDEPENDENT_CODE ON)
  add_compile_options(-fvisibility=hidden)

  # The program's own code (stats/ and driver/) is guarded by the stack
  # protector, at the strength a distribution's flags choose, or else
  # "strong". There is no runtime to set up thread-local storage, where
  # x86-64 code looks for the guard unless told otherwise, so it reads a
  # global, which the entry sets (driver/posix/linux/stack_guard.cpp).
  # aarch64 code would reach that global through an address table only a
  # loader fills in, so it reads it through the thread pointer register,
  # which the entry points at it; a compiler that cannot do that builds
  # the image unguarded. On x86-64 the code also carries the marks of
  # indirect branch tracking and shadow stacks (CET), as on aarch64 it
  # carries those of branch protection (below).
  if(NOT CMAKE_CXX_FLAGS MATCHES "-f(no-)?stack-protector")
    list(APPEND QUOVEX_PROGRAM_OPTIONS -fstack-protector-strong)
  endif()
  if(QUOVEX_PROCESSOR STREQUAL "x86_64")
    list(APPEND QUOVEX_PROGRAM_OPTIONS -mstack-protector-guard=global -fcf-protection=full)
  else()
    block(SCOPE_FOR VARIABLES PROPAGATE QUOVEX_PROGRAM_OPTIONS)
      set(guard_register -mstack-protector-guard=sysreg -mstack-protector-guard-reg=tpidr_el0
                         -mstack-protector-guard-offset=0)
      include(CheckCXXSourceCompiles)
      list(JOIN guard_register " " CMAKE_REQUIRED_FLAGS)
      check_cxx_source_compiles("int main() { return 0; }" QUOVEX_HAS_GUARD_REGISTER)
      if(QUOVEX_HAS_GUARD_REGISTER)
        list(APPEND QUOVEX_PROGRAM_OPTIONS ${guard_register})
      else()
        list(APPEND QUOVEX_PROGRAM_OPTIONS -fno-stack-protector)
      endif()
    endblock()
  endif()
endif()
# The C library build links statically: a static image starts in a fraction
# of the instructions and memory of a dynamically linked one. Where the
# toolchain can, it is a static PIE, as the runtime-free image is: placed at
# a random address, with its relocations read-only once applied (full RELRO,
# driver/posix/CMakeLists.txt). A system without the static C and C++
# libraries (docs/packaging.md names their packages) links it dynamically.
# The sanitizer runtimes need dynamic linking.
option(QUOVEX_STATIC "Link the C library build statically" ON)
set(QUOVEX_STATIC_PIE OFF)
set(QUOVEX_STATIC_LINK OFF)
if(NOT WIN32 AND NOT QUOVEX_RUNTIME_FREE AND QUOVEX_STATIC AND NOT QUOVEX_SANITIZE)
  block(SCOPE_FOR VARIABLES PROPAGATE QUOVEX_STATIC_PIE QUOVEX_STATIC_LINK)
    include(CheckCXXSourceCompiles)
    set(CMAKE_REQUIRED_FLAGS -fPIE)
    set(CMAKE_REQUIRED_LINK_OPTIONS -static-pie)
    check_cxx_source_compiles("int main() { return 0; }" QUOVEX_HAS_STATIC_PIE)
    set(QUOVEX_STATIC_PIE ${QUOVEX_HAS_STATIC_PIE})
    if(NOT QUOVEX_STATIC_PIE)
      unset(CMAKE_REQUIRED_FLAGS)
      set(CMAKE_REQUIRED_LINK_OPTIONS -static)
      check_cxx_source_compiles("int main() { return 0; }" QUOVEX_HAS_STATIC)
      set(QUOVEX_STATIC_LINK ${QUOVEX_HAS_STATIC})
    endif()
  endblock()
  if(QUOVEX_STATIC_PIE)
    set(CMAKE_POSITION_INDEPENDENT_CODE ON)
  endif()
endif()

# What this configure builds, in one line: for a packager's log, and for the
# table of configurations, which checks that each row built what it names.
if(WIN32)
  set(linked "KERNEL32 alone")
elseif(QUOVEX_RUNTIME_FREE)
  set(linked "no runtime")
elseif(QUOVEX_STATIC_PIE)
  set(linked "the C library, as a static PIE")
elseif(QUOVEX_STATIC_LINK)
  set(linked "the C library, statically")
elseif(QUOVEX_STATIC AND NOT QUOVEX_SANITIZE)
  set(linked "the C library, dynamically: this toolchain links no static program, see docs/packaging.md")
else()
  set(linked "the C library, dynamically")
endif()
message(STATUS "quovex ${PROJECT_VERSION} links ${linked} (build type ${CMAKE_BUILD_TYPE}, "
               "C++ flags \"${CMAKE_CXX_FLAGS}\", link flags \"${CMAKE_EXE_LINKER_FLAGS}\")")

# The runtime-free image carries nothing but the program: not the name and
# version of the compiler that built it, nor where link-time optimisation
# compiles at the link. It links no runtime, so the program's own code may
# need none, at any optimisation: no exceptions, no type information.
if(QUOVEX_RUNTIME_FREE)
  add_compile_options(-fno-ident)
  add_link_options(-fno-ident)
  list(APPEND QUOVEX_PROGRAM_OPTIONS -fno-exceptions -fno-rtti)
endif()

# On 64-bit Arm every function opens with a landing pad and signs its return
# address, as Debian builds its arm64 packages: the kernel then guards the
# code pages of an image whose every part carries those marks.
if(QUOVEX_PROCESSOR STREQUAL "aarch64" AND NOT WIN32)
  add_compile_options(-mbranch-protection=standard)
endif()

if(WIN32)
  include(QuovexWindows)
endif()

# The project's own code builds without a warning. The presets, and so the
# test command and the release, make warnings errors
# (CMAKE_COMPILE_WARNING_AS_ERROR); a plain configure does not, so a newer
# compiler or a distribution's own warning flags cannot stop a build.
function(quovex_target_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4)
  else()
    target_compile_options(${target} PRIVATE
      -Wall -Wextra -Wpedantic -Wconversion -Wsign-conversion -Wshadow)
  endif()
endfunction()
