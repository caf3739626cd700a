// The POSIX console layer's own promises, which ProgramMain cannot reach with
// its fixed title and handle: how a title is cut, which handles write, and
// what a write reports. Built once with each provider of its system calls.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "driver/console_api.h"

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

TEST(PosixWrite, ReportsTheBytesWrittenNotTheBytesAsked) {
  const int full = open("/dev/full", O_WRONLY | O_CLOEXEC);
  ASSERT_GE(full, 0);
  DWORD written = 99;
  EXPECT_EQ(WriteConsoleA(Handle(full), "abc", 3, &written, nullptr), FALSE);
  EXPECT_EQ(written, 0u);
  close(full);
}

}  // namespace
