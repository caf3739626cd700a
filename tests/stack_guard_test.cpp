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
extern "C" void __stack_chk_fail();  // not noreturn here, so that a return shows
// NOLINTEND(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)
extern "C" void SetStackGuard(const std::uintptr_t* entry_stack);

namespace {

TEST(StackGuard, IsTheKernelsRandomBytesWithTheLowByteZero) {
  const unsigned char random[16] = {0x9d, 0x41, 0x07, 0xe2, 0x5a, 0x33, 0xc8, 0x16,
                                    0x70, 0xab, 0x2f, 0x94, 0x61, 0x0e, 0xd5, 0x88};
  const char name[] = "/usr/bin/quovex";
  // NOLINTBEGIN(cppcoreguidelines-pro-type-reinterpret-cast): stack words hold addresses.
  const auto at_random = reinterpret_cast<std::uintptr_t>(random);
  const auto at_name = reinterpret_cast<std::uintptr_t>(name);
  // NOLINTEND(cppcoreguidelines-pro-type-reinterpret-cast)
  std::uintptr_t want = 0;
  std::memcpy(&want, random, sizeof want);
  want &= ~std::uintptr_t{0xff};
  // Argument count, arguments, environment, then the auxiliary vector, with
  // AT_RANDOM first or behind entries that point at other bytes or hold 0.
  const std::vector<std::uintptr_t> stacks[] = {
      {1, at_name, 0, at_name, 0, AT_RANDOM, at_random, AT_EXECFN, at_name, AT_NULL, 0},
      {2, at_name, at_name, 0, 0, AT_PAGESZ, 4096, AT_FLAGS, 0, AT_EXECFN, at_name, AT_PLATFORM,
       at_name, AT_RANDOM, at_random, AT_NULL, 0}};
  for (const auto& stack : stacks) {
    const std::uintptr_t saved = __stack_chk_guard;  // this process's guarded code reads it
    SetStackGuard(stack.data());
    const std::uintptr_t guard = __stack_chk_guard;
    __stack_chk_guard = saved;
    EXPECT_EQ(guard, want) << "auxiliary vector at word " << stack[0] + 2;
  }
}

TEST(StackGuard, AFailedCheckStopsTheProcessBySignal) {
  EXPECT_EXIT(
      __stack_chk_fail(), [](int status) { return WIFSIGNALED(status); }, "");
}

}  // namespace
