// The runtime-free entry's stack guard: taken from the kernel's random bytes
// on an entry stack made up here, and a failed check that stops the process.
#include <elf.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

// NOLINTBEGIN(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp): the compiler's names.
extern "C" std::uintptr_t __stack_chk_guard;
// Not declared noreturn here, so that a return would be seen.
extern "C" void __stack_chk_fail();
// NOLINTEND(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)
extern "C" void SetStackGuard(const std::uintptr_t* entry_stack);

namespace {

std::uintptr_t Word(const void* pointer) {
  // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): a stack word holds the address.
  return reinterpret_cast<std::uintptr_t>(pointer);
}

TEST(StackGuard, IsTheKernelsRandomBytesWithTheLowByteZero) {
  const unsigned char random[16] = {0x9d, 0x41, 0x07, 0xe2, 0x5a, 0x33, 0xc8, 0x16,
                                    0x70, 0xab, 0x2f, 0x94, 0x61, 0x0e, 0xd5, 0x88};
  const char name[16] = "/usr/bin/quovex";
  std::uintptr_t want = 0;
  std::memcpy(&want, random, sizeof want);
  want &= ~std::uintptr_t{0xff};
  // Argument count, arguments, environment, then the auxiliary vector, with
  // AT_RANDOM last or first among entries that point at other bytes.
  for (const bool random_first : {false, true}) {
    SCOPED_TRACE(random_first ? "AT_RANDOM first" : "AT_RANDOM last");
    std::vector<std::uintptr_t> stack = {2, Word(name), Word("-x"), 0, Word("HOME=/"), 0};
    const std::uintptr_t others[] = {AT_PAGESZ,  4096,        AT_EXECFN,
                                     Word(name), AT_PLATFORM, Word(name)};
    if (random_first) {
      stack.insert(stack.end(), {AT_RANDOM, Word(random)});
    }
    stack.insert(stack.end(), std::begin(others), std::end(others));
    if (!random_first) {
      stack.insert(stack.end(), {AT_RANDOM, Word(random)});
    }
    stack.insert(stack.end(), {AT_NULL, 0});
    const std::uintptr_t saved = __stack_chk_guard;  // the guarded code of this process reads it
    SetStackGuard(stack.data());
    const std::uintptr_t guard = __stack_chk_guard;
    __stack_chk_guard = saved;
    EXPECT_EQ(guard, want);
  }
}

TEST(StackGuard, AFailedCheckStopsTheProcessBySignal) {
  EXPECT_EXIT(
      __stack_chk_fail(), [](int status) { return WIFSIGNALED(status); }, "");
}

}  // namespace
