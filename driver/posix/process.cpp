#include "driver/posix/process.h"

#include <csignal>

#include "driver/console_api.h"
#include "driver/posix/system_calls.h"
#include "driver/program.h"

extern "C" VOID ExitProcess(UINT uExitCode) {
  sys::exit(static_cast<int>(uExitCode));
}

// Kept however the build optimises: the runtime-free entry calls it from
// assembly, which the optimiser does not read.
extern "C" [[gnu::used]] void StartProgram() {
  // The program ignores every write failure and always exits 0, so no failed
  // write may end or stop it by signal: a vanished reader (SIGPIPE), a file
  // size limit (SIGXFSZ), or a terminal write from a background job under
  // "stty tostop" (SIGTTOU, which would stop it; ignored, the write goes on).
  // Should one fail, there is nothing better to do than to run on.
  sys::ignore_signal(SIGPIPE);
  sys::ignore_signal(SIGXFSZ);
  sys::ignore_signal(SIGTTOU);
  ProgramMain();
}
