// The stack protector's guard in the build that links no runtime. Every
// function of the program's own code that the protector guards reads it (as
// a global on x86-64, through the thread pointer register on aarch64:
// cmake/QuovexOptions.cmake says why), and calls __stack_chk_fail when it
// finds it overwritten in its frame. The entry sets it before any guarded
// function runs.
#include <elf.h>

#include <cstdint>
#include <cstring>

// NOLINTBEGIN(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp): the compiler's names.
extern "C" {

std::uintptr_t __stack_chk_guard;

// A smashed stack is memory gone wrong, not a failed operation to carry on
// after: the process stops at once.
[[noreturn]] void __stack_chk_fail() {
  __builtin_trap();
}

}  // extern "C"
// NOLINTEND(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)

// Takes the guard from the 16 random bytes the kernel hands every process
// (AT_RANDOM), found past the entry stack's argument count, arguments and
// environment, in the auxiliary vector. Its low byte is zero, as the C
// library's is, so a string overflow cannot copy it. Unguarded itself: it
// changes what its own check would compare.
extern "C" __attribute__((no_stack_protector)) void SetStackGuard(
    const std::uintptr_t* entry_stack) {
  const std::uintptr_t* word = entry_stack + 1 + entry_stack[0] + 1;
  while (*word != 0) {
    ++word;
  }
  for (++word; word[0] != AT_NULL; word += 2) {
    if (word[0] == AT_RANDOM) {
      std::uintptr_t guard = 0;
      // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast,performance-no-int-to-ptr)
      std::memcpy(&guard, reinterpret_cast<const void*>(word[1]), sizeof guard);
      __stack_chk_guard = guard & ~std::uintptr_t{0xff};
      return;
    }
  }
}
