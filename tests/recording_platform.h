// A platform layer for tests: it defines the four console and process
// operations, records every call with its arguments, and can make any of them
// fail. ExitProcess throws ProcessExit, so a test gets control back from
// ProgramMain.
#pragma once

#include <string>
#include <vector>

#include "driver/console_api.h"

namespace recording {

enum class Operation { kSetConsoleTitle, kGetStdHandle, kWriteConsole, kExitProcess };

struct Call {
  Operation operation;
  std::string text;       // the title, or the bytes handed to the write
  const void* pointer;    // the title or buffer pointer itself
  DWORD number;           // standard handle id, character count or exit code
  HANDLE handle;          // handle returned by GetStdHandle or given to the write
  LPDWORD chars_written;  // the write's out-pointer
  LPVOID reserved;        // the write's reserved pointer
};

struct ProcessExit {
  UINT code;
};

struct Failures {
  bool title = false;   // SetConsoleTitleA returns FALSE
  bool handle = false;  // GetStdHandle returns INVALID_HANDLE_VALUE
  bool write = false;   // WriteConsoleA returns FALSE
};

// The handle GetStdHandle hands out when it succeeds.
// A handle is an opaque value, as on Windows.
// NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast,performance-no-int-to-ptr)
inline HANDLE const kOutputHandle = reinterpret_cast<HANDLE>(std::intptr_t{0x5eed});

// Clears the record and sets which operations fail from now on.
void Reset(Failures failures = {});
const std::vector<Call>& Calls();

// Runs ProgramMain and returns the code it ended the process with.
UINT RunProgram();

}  // namespace recording
