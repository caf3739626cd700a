// How the POSIX console's writes pace a refusal, over system calls scripted
// here: writes refused with one error until a time, then taken whole, on a
// clock that moves 10 us a call and by every pause. An outage of seconds
// costs no real time.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>

#include "driver/console_api.h"
#include "driver/posix/console.h"
#include "driver/posix/system_calls.h"

namespace {
std::int64_t now_ns;
std::int64_t refused_until_ns;
long refusal;
int writes;
int clock_reads;
}  // namespace

long sys::write(int /*descriptor*/, const void* /*bytes*/, std::size_t size) {
  ++writes;
  now_ns += 10'000;
  return now_ns < refused_until_ns ? -refusal : static_cast<long>(size);
}

long sys::poll(pollfd* /*descriptors*/, nfds_t /*count*/, int /*timeout_ms*/) {
  now_ns += 10'000;
  return 1;  // ready, though the write may still refuse, as on FUSE
}

long sys::clock_gettime(timespec* now) {
  ++clock_reads;
  now_ns += 10'000;
  *now = {now_ns / 1'000'000'000, now_ns % 1'000'000'000};
  return 0;
}

long sys::nanosleep(const timespec* duration) {
  now_ns += duration->tv_sec * 1'000'000'000 + duration->tv_nsec;
  return 0;
}

// Never reached: SetConsoleTitleA is not called.
long sys::openat(int /*directory*/, const char* /*path*/, int /*flags*/) {
  return -ENOSYS;
}
long sys::isatty(int /*descriptor*/) {
  return -ENOSYS;
}
long sys::close(int /*descriptor*/) {
  return -ENOSYS;
}

namespace {

TEST(PosixPacing, WaitsOutARefusalWithoutSpinningAndGivesUpOnOneThatLasts) {
  constexpr std::int64_t kForever = INT64_MAX;
  for (const long error : {EAGAIN, EINTR}) {
    for (const std::int64_t outage_ns : {std::int64_t{0}, std::int64_t{500'000'000}, kForever}) {
      SCOPED_TRACE(testing::Message() << "error " << error << ", outage " << outage_ns);
      now_ns = writes = clock_reads = 0;
      refusal = error;
      refused_until_ns = outage_ns;
      EXPECT_EQ(WriteConsoleA(GetStdHandle(STD_OUTPUT_HANDLE), "8\0\0", 3, nullptr, nullptr),
                outage_ns == kForever ? FALSE : TRUE);
      EXPECT_LE(writes, kGiveUpAfterNs / kLongestPauseNs + 16) << "spins";
      if (outage_ns == kForever) {
        EXPECT_GE(now_ns, kGiveUpAfterNs);
        EXPECT_LT(now_ns, kGiveUpAfterNs + 1'000'000'000);
      } else {
        EXPECT_LE(now_ns, outage_ns + kLongestPauseNs + 1'000'000) << "slow to see the end";
      }
      EXPECT_TRUE(outage_ns != 0 || clock_reads == 0) << "read the clock on a plain write";
    }
  }
}

}  // namespace
