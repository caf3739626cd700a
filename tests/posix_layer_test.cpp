// The POSIX console layer's own promises, beyond ProgramMain's fixed title,
// handle and exit code: how a title is cut, which handles write, what a write
// reports, how long poll waits, that a long write outlasts a slow reader and
// signals, and that a refused exit still ends the process. Built once with
// each provider of its system calls.
#include <fcntl.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <thread>

#include "driver/console_api.h"
#include "driver/posix/system_calls.h"

namespace {

HANDLE Handle(std::int64_t value) {
  // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast,performance-no-int-to-ptr)
  return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(value));
}

// What SetConsoleTitleA sends to a new controlling terminal. The child's
// exit code says whether the call reported success.
std::string TitleSentFor(const std::string& title) {
  int master = -1;
  const pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
  if (pid == 0) {
    _exit(SetConsoleTitleA(title.c_str()) == TRUE ? 0 : 1);
  }
  std::string received;
  char chunk[512];
  pollfd ready = {master, POLLIN, 0};
  while (poll(&ready, 1, 5000) > 0) {
    const ssize_t got = read(master, chunk, sizeof chunk);
    if (got <= 0) {
      break;  // EIO: the terminal's last user has gone
    }
    received.append(chunk, static_cast<std::size_t>(got));
  }
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
  close(master);
  return received;
}

TEST(PosixTitle, ReachesTheTerminalCutAt255Bytes) {
  for (const std::size_t length : {1u, 254u, 255u, 256u, 300u}) {
    std::string title;
    for (std::size_t i = 0; i < length; ++i) {
      title += static_cast<char>('a' + i % 26);
    }
    SCOPED_TRACE(length);
    EXPECT_EQ(TitleSentFor(title), "\033]0;" + title.substr(0, 255) + "\a");
  }
}

// Bytes waiting in a pipe, without blocking.
std::string Drain(int read_end) {
  fcntl(read_end, F_SETFL, O_NONBLOCK);
  std::string bytes;
  char chunk[512];
  ssize_t got = 0;
  while ((got = read(read_end, chunk, sizeof chunk)) > 0) {
    bytes.append(chunk, static_cast<std::size_t>(got));
  }
  return bytes;
}

TEST(PosixWrite, OnlyAHandleThatCarriesADescriptorWrites) {
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  const std::string text("8\0\0z", 4);
  DWORD written = 99;

  // Descriptor 0 is a null handle even while it is open for writing, and a
  // value beyond int must not be cut down to one that is.
  const int saved_input = dup(0);
  dup2(ends[1], 0);
  EXPECT_EQ(WriteConsoleA(Handle(0), text.data(), 4, &written, nullptr), FALSE);
  EXPECT_EQ(written, 0u);
  dup2(saved_input, 0);
  close(saved_input);
  if (sizeof(HANDLE) > 4) {
    written = 99;
    EXPECT_EQ(
        WriteConsoleA(Handle((std::int64_t{1} << 32) + ends[1]), text.data(), 4, &written, nullptr),
        FALSE);
    EXPECT_EQ(written, 0u);
  }
  EXPECT_EQ(Drain(ends[0]), "");

  EXPECT_EQ(WriteConsoleA(Handle(ends[1]), text.data(), 4, &written, nullptr), TRUE);
  EXPECT_EQ(written, 4u);
  EXPECT_EQ(Drain(ends[0]), text);
  close(ends[0]);
  close(ends[1]);
}

TEST(PosixPoll, WaitsItsLimitInMillisecondsOrWithNoneForRoom) {
  // A full one-page pipe: a limit of 50 ms passes with no room, and no
  // limit waits until the reader makes some.
  int ends[2];
  ASSERT_TRUE(pipe(ends) == 0 && fcntl(ends[1], F_SETPIPE_SZ, 4096) > 0);
  const std::string page(4096, 'x');
  ASSERT_EQ(write(ends[1], page.data(), page.size()), 4096);
  pollfd room = {ends[1], POLLOUT, 0};
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(sys::poll(&room, 1, 50), 0);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
  std::thread reader([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    char chunk[4096];
    EXPECT_EQ(read(ends[0], chunk, sizeof chunk), 4096);
  });
  EXPECT_EQ(sys::poll(&room, 1, -1), 1);
  reader.join();
  close(ends[0]);
  close(ends[1]);
}

TEST(PosixWrite, ReportsTheBytesWrittenNotTheBytesAsked) {
  const int full = open("/dev/full", O_WRONLY | O_CLOEXEC);
  ASSERT_GE(full, 0);
  DWORD written = 99;
  EXPECT_EQ(WriteConsoleA(Handle(full), "abc", 3, &written, nullptr), FALSE);
  EXPECT_EQ(written, 0u);
  close(full);
}

TEST(PosixExit, EndsWithItsCodeWhenTheExitCallIsRefused) {
  // A filter (or a fault injector) may refuse the call that ends the process:
  // it must still end, with its code, not run on or die by a signal.
  const pid_t pid = fork();
  if (pid == 0) {
    sock_filter refuse_exit_group[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_exit_group, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EPERM),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW)};
    const sock_fprog filter = {std::size(refuse_exit_group), refuse_exit_group};
    prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0);
    if (prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &filter) != 0) {
      _exit(77);
    }
    ExitProcess(3);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  if (status == 77 << 8) {
    GTEST_SKIP() << "no seccomp filter can be installed here";
  }
  EXPECT_EQ(status, 3 << 8);
}

TEST(PosixWrite, OutlastsASlowReaderAndSignalsWithoutSpinning) {
  // A megabyte through a one-page pipe: the writer meets a full pipe some
  // 256 times, as EAGAIN when the pipe is non-blocking and as a partial or
  // interrupted write when it blocks, while a timer signal with no restart
  // arrives every millisecond. Waiting must cost next to no processor time.
  // No whole number of pages, so a write that asks for too much shows.
  std::string text((1 << 20) + 1000, '\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    text[i] = static_cast<char>(i % 251);  // a restart from the start shows
  }
  for (const bool non_blocking : {true, false}) {
    SCOPED_TRACE(non_blocking ? "non-blocking" : "blocking");
    int ends[2];
    ASSERT_TRUE(pipe(ends) == 0 && fcntl(ends[1], F_SETPIPE_SZ, 4096) > 0);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
      close(ends[0]);
      fcntl(ends[1], F_SETFL, non_blocking ? O_NONBLOCK : 0);
      struct sigaction tick = {};
      tick.sa_handler = [](int) {};
      sigaction(SIGALRM, &tick, nullptr);  // no SA_RESTART
      const itimerval every_millisecond = {{0, 1000}, {0, 1000}};
      setitimer(ITIMER_REAL, &every_millisecond, nullptr);
      DWORD written = 0;
      const BOOL result = WriteConsoleA(Handle(ends[1]), text.data(),
                                        static_cast<DWORD>(text.size()), &written, nullptr);
      _exit(result == TRUE && written == text.size() ? 0 : 1);
    }
    close(ends[1]);
    std::string received;
    char chunk[4096];
    ssize_t got = 0;
    while ((got = read(ends[0], chunk, sizeof chunk)) > 0) {
      received.append(chunk, static_cast<std::size_t>(got));
      std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - start;
    int status = 0;
    rusage usage = {};
    wait4(pid, &status, 0, &usage);
    close(ends[0]);
    EXPECT_TRUE(received == text) << "received " << received.size() << " bytes";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    timeval cpu = {};
    timeradd(&usage.ru_utime, &usage.ru_stime, &cpu);
    EXPECT_LT(static_cast<double>(cpu.tv_sec) + static_cast<double>(cpu.tv_usec) / 1e6,
              wall.count() / 4)
        << "the writer spun while the pipe was full";
  }
}

}  // namespace
