// The built program as a process: its bytes on a pipe, a file and a
// pseudo-terminal, and its exit code when writing fails in every way we can
// provoke. Children run only async-signal-safe calls between fork and exec.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace {

const std::string kOutput = std::string("8") + std::string(159, '\0');
const std::string kTitle = "\033]0;QUOVEX---\a";
constexpr auto kTimeLimit = std::chrono::seconds(10);

char kProgram[] = QUOVEX_PATH;
char* kNoArguments[] = {kProgram, nullptr};
// The emulator and its options that run a cross-built program; none natively.
const char* const kLauncher[] = {QUOVEX_LAUNCHER nullptr};

// In a forked child: restores the default signal dispositions, so that the
// program's own handling is what counts, lets the test set the stage, and
// becomes the program.
template <typename Prepare>
[[noreturn]] void BecomeProgram(Prepare prepare, char* const* argv = kNoArguments) {
  (void)signal(SIGPIPE, SIG_DFL);
  (void)signal(SIGXFSZ, SIG_DFL);
  (void)signal(SIGTTOU, SIG_DFL);
  prepare();
  char* launched[16] = {};
  std::size_t count = 0;
  for (const char* const* word = kLauncher; *word != nullptr; ++word) {
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-const-cast): execv takes char*, never writes.
    launched[count++] = const_cast<char*>(*word);
  }
  for (std::size_t i = 0; argv[i] != nullptr && count + 1 < std::size(launched); ++i) {
    launched[count++] = argv[i];
  }
  execv(launched[0], launched);
  _exit(127);
}

template <typename Prepare>
pid_t Start(Prepare prepare, char* const* argv = kNoArguments) {
  const pid_t pid = fork();
  if (pid == 0) {
    BecomeProgram(prepare, argv);
  }
  return pid;
}

// Like Start, on a new pseudo-terminal that becomes the child's controlling
// terminal and standard streams. Sets *master to the terminal's other side.
template <typename Prepare>
pid_t StartOnTerminal(int* master, Prepare prepare) {
  const pid_t pid = forkpty(master, nullptr, nullptr, nullptr);
  if (pid == 0) {
    BecomeProgram(prepare);
  }
  return pid;
}

// Reads until end of file, or EIO once a terminal's last user has gone.
std::string ReadAll(int descriptor) {
  std::string bytes;
  const auto deadline = std::chrono::steady_clock::now() + kTimeLimit;
  while (std::chrono::steady_clock::now() < deadline) {
    pollfd ready = {descriptor, POLLIN, 0};
    if (poll(&ready, 1, 100) <= 0) {
      continue;
    }
    char chunk[512];
    const ssize_t got = read(descriptor, chunk, sizeof chunk);
    if (got <= 0) {
      break;
    }
    bytes.append(chunk, static_cast<std::size_t>(got));
  }
  return bytes;
}

// How the child ended: "exit N", "signal N", or "timeout" (then it is killed).
std::string Wait(pid_t pid) {
  const auto deadline = std::chrono::steady_clock::now() + kTimeLimit;
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return "timeout";
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (WIFEXITED(status)) {
    return "exit " + std::to_string(WEXITSTATUS(status));
  }
  return "signal " + std::to_string(WTERMSIG(status));
}

// How many write calls the process has made, refused ones included; -1 when
// the kernel does not say.
long WriteCalls(pid_t pid) {
  std::ifstream io("/proc/" + std::to_string(pid) + "/io");
  const std::string text{std::istreambuf_iterator<char>(io), {}};
  const auto at = text.find("syscw: ");
  return at == std::string::npos ? -1 : std::strtol(text.c_str() + at + 7, nullptr, 10);
}

struct Pipe {
  int read_end = -1;
  int write_end = -1;
};

Pipe MakePipe() {
  int ends[2];
  EXPECT_EQ(pipe2(ends, O_CLOEXEC), 0);
  return {ends[0], ends[1]};
}

TEST(Process, WritesTheRangeAndNulsWhateverTheArguments) {
  char one[] = "--help";
  char two[] = "x y";
  char three[] = "-";
  char* with_arguments[] = {kProgram, one, two, three, nullptr};
  for (char* const* argv : {kNoArguments, with_arguments}) {
    // stdin stays open and empty: the program must not wait on it.
    const Pipe input = MakePipe();
    const Pipe output = MakePipe();
    const Pipe errors = MakePipe();
    const pid_t pid = Start(
        [&] {
          setsid();  // no controlling terminal, so no title anywhere
          dup2(input.read_end, 0);
          dup2(output.write_end, 1);
          dup2(errors.write_end, 2);
        },
        argv);
    close(input.read_end);
    close(output.write_end);
    close(errors.write_end);

    EXPECT_EQ(ReadAll(output.read_end), kOutput);
    EXPECT_EQ(ReadAll(errors.read_end), "");
    EXPECT_EQ(Wait(pid), "exit 0");
    close(input.write_end);
    close(output.read_end);
    close(errors.read_end);
  }
}

TEST(Process, OnATerminalTheTitleComesFirstAndNothingElse) {
  int master = -1;
  const pid_t pid = StartOnTerminal(&master, [] {});
  EXPECT_EQ(ReadAll(master), kTitle + kOutput);
  EXPECT_EQ(Wait(pid), "exit 0");
  close(master);
}

TEST(Process, RedirectedOutputGetsOnlyTheBytesWhileTheTitleReachesTheTerminal) {
  // A terminal whose output is stopped (Ctrl-S) takes no title, and must not
  // hold the output back: the title is lost instead.
  for (const bool stopped : {false, true}) {
    SCOPED_TRACE(stopped ? "stopped terminal" : "terminal");
    char path[] = "/tmp/quovex-output-XXXXXX";
    const int file = mkstemp(path);
    ASSERT_GE(file, 0);
    int master = -1;
    const pid_t pid = StartOnTerminal(&master, [file, stopped] {
      dup2(file, 1);
      if (stopped && tcflow(0, TCOOFF) != 0) {
        _exit(97);
      }
    });
    EXPECT_EQ(ReadAll(master), stopped ? "" : kTitle);
    EXPECT_EQ(Wait(pid), "exit 0");

    char bytes[512];
    const ssize_t size = pread(file, bytes, sizeof bytes, 0);
    EXPECT_EQ(std::string(bytes, static_cast<std::size_t>(std::max<ssize_t>(size, 0))), kOutput);
    close(file);
    close(master);
    unlink(path);
  }
}

TEST(Process, AClosedStandardStreamStillLetsTheTitleThrough) {
  // With standard input closed, the terminal opens as descriptor 0.
  for (const int stream : {0, 1}) {
    SCOPED_TRACE(stream);
    int master = -1;
    const pid_t pid = StartOnTerminal(&master, [stream] { close(stream); });
    EXPECT_EQ(ReadAll(master), stream == 0 ? kTitle + kOutput : kTitle);
    EXPECT_EQ(Wait(pid), "exit 0");
    close(master);
  }
}

TEST(Process, NoTitleAndNoWaitWhenTheTerminalIsNotOne) {
  // A sandbox decides what /dev/tty is: here a FIFO with no reader, which a
  // blocking open would wait on for ever, a file, or a terminal that is not
  // the program's controlling one, its standard output, none of which may
  // get the title. Each is bound there in the child's own mount namespace.
  for (const std::string kind : {"FIFO", "file", "terminal"}) {
    SCOPED_TRACE(kind);
    char path[] = "/tmp/quovex-tty-XXXXXX";
    close(mkstemp(path));
    ASSERT_TRUE(kind != "FIFO" || (unlink(path) == 0 && mkfifo(path, 0600) == 0));
    int master = -1;
    int terminal = -1;
    ASSERT_EQ(openpty(&master, &terminal, nullptr, nullptr, nullptr), 0);
    const std::string bound = kind == "terminal" ? ttyname(terminal) : path;
    const Pipe output = MakePipe();
    const pid_t pid = Start([&] {
      setsid();
      if (unshare(CLONE_NEWNS) != 0 || mount("", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
          mount(bound.c_str(), "/dev/tty", nullptr, MS_BIND, nullptr) != 0) {
        _exit(77);
      }
      dup2(kind == "terminal" ? terminal : output.write_end, 1);
    });
    close(output.write_end);
    close(terminal);
    const std::string ended = Wait(pid);
    struct stat tty = {};
    EXPECT_TRUE(stat(path, &tty) == 0 && tty.st_size == 0 && unlink(path) == 0);
    if (ended == "exit 77") {
      GTEST_SKIP() << "no mount namespace here";
    }
    EXPECT_EQ(ended, "exit 0");
    EXPECT_EQ(ReadAll(kind == "terminal" ? master : output.read_end), kOutput);
    close(output.read_end);
    close(master);
  }
}

TEST(Process, ExitsZeroWhenEveryWriteFails) {
  // Each case leaves the child without a terminal and breaks standard output
  // in its own way.
  const struct {
    const char* name;
    void (*break_output)();
  } cases[] = {
      {"closed", [] { close(1); }},
      {"read-only", [] { dup2(open("/dev/null", O_RDONLY), 1); }},
      {"device full", [] { dup2(open("/dev/full", O_WRONLY), 1); }},
      {"reader gone",
       [] {
         int ends[2];
         if (pipe(ends) == 0) {
           close(ends[0]);
           dup2(ends[1], 1);
         }
       }},
      {"file size limit",
       [] {
         const rlimit none = {0, 0};
         setrlimit(RLIMIT_FSIZE, &none);
         char path[] = "/tmp/quovex-limit-XXXXXX";
         const int file = mkstemp(path);
         unlink(path);
         dup2(file, 1);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const pid_t pid = Start([&c] {
      setsid();
      c.break_output();
    });
    EXPECT_EQ(Wait(pid), "exit 0");
  }
}

TEST(Process, BackgroundJobOnAStoppingTerminalIsNotStopped) {
  // With "stty tostop", a background job that writes to its terminal would be
  // stopped. The child here is the session leader: it starts the program in
  // a background process group and reports how that ended.
  int master = -1;
  const pid_t leader = forkpty(&master, nullptr, nullptr, nullptr);
  if (leader == 0) {
    termios settings{};
    if (tcgetattr(0, &settings) != 0) {
      _exit(97);
    }
    settings.c_lflag |= TOSTOP;
    tcsetattr(0, TCSANOW, &settings);
    const pid_t job = fork();
    if (job == 0) {
      BecomeProgram([] { setpgid(0, 0); });
    }
    setpgid(job, job);
    int status = 0;
    waitpid(job, &status, WUNTRACED);
    if (WIFSTOPPED(status)) {
      kill(job, SIGKILL);
      _exit(99);
    }
    _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 98);
  }
  EXPECT_EQ(ReadAll(master), kTitle + kOutput);
  EXPECT_EQ(Wait(leader), "exit 0") << "exit 99: the job was stopped; 97: no terminal settings";
  close(master);
}

TEST(Process, WaitsOutAFullNonBlockingPipe) {
  // A non-blocking pipe (the flag is shared with whoever else holds it),
  // filled before the program starts: its write is refused until the reader
  // makes room, and every byte must still arrive.
  const Pipe output = MakePipe();
  ASSERT_GT(fcntl(output.write_end, F_SETPIPE_SZ, 4096), 0);
  fcntl(output.write_end, F_SETFL, O_NONBLOCK);
  std::string filler;
  while (write(output.write_end, "f", 1) == 1) {
    filler += 'f';
  }

  const pid_t pid = Start([&] {
    setsid();
    dup2(output.write_end, 1);
  });
  close(output.write_end);
  // Read only once the program has made its write, as the kernel counts it.
  const auto deadline = std::chrono::steady_clock::now() + kTimeLimit;
  long calls = 0;
  while ((calls = WriteCalls(pid)) == 0 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  if (calls < 0) {
    kill(pid, SIGKILL);
    Wait(pid);
    close(output.read_end);
    GTEST_SKIP() << "this kernel counts no write calls per task (/proc/<pid>/io)";
  }
  EXPECT_EQ(ReadAll(output.read_end), filler + kOutput);
  EXPECT_EQ(Wait(pid), "exit 0");
  close(output.read_end);
}

}  // namespace
