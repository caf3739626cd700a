# Build-wide choices: warnings for the project's own targets, the sanitizer
# configuration, and the runtime-free code of the Windows image.

option(QUOVEX_SANITIZE "Build everything with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)

if(QUOVEX_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

if(WIN32)
  enable_language(RC)
  # Nothing may need runtime support: no exceptions, no type information, no
  # unwind tables. What differs between the two images comes from their
  # toolchain files.
  add_compile_options(-fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables
                      ${QUOVEX_WINDOWS_COMPILE_OPTIONS})
endif()

# Warnings are errors in the project's own code only, never in GoogleTest's.
function(quovex_target_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wconversion -Wsign-conversion -Wshadow -Werror)
endfunction()
