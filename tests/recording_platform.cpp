#include "tests/recording_platform.h"

#include "driver/program.h"

namespace recording {
namespace {
std::vector<Call> calls;
Failures failing;
}  // namespace

void Reset(Failures failures) {
  calls.clear();
  failing = failures;
}

const std::vector<Call>& Calls() {
  return calls;
}

UINT RunProgram() {
  try {
    ProgramMain();
  } catch (const ProcessExit& exit) {
    return exit.code;
  }
}

}  // namespace recording

using recording::Call;
using recording::Operation;

extern "C" BOOL SetConsoleTitleA(LPCSTR lpConsoleTitle) {
  recording::calls.push_back(Call{Operation::kSetConsoleTitle, lpConsoleTitle, lpConsoleTitle, 0,
                                  nullptr, nullptr, nullptr});
  return recording::failing.title ? FALSE : TRUE;
}

extern "C" HANDLE GetStdHandle(DWORD nStdHandle) {
  HANDLE handle = recording::failing.handle ? INVALID_HANDLE_VALUE : recording::kOutputHandle;
  recording::calls.push_back(
      Call{Operation::kGetStdHandle, {}, nullptr, nStdHandle, handle, nullptr, nullptr});
  return handle;
}

// The Windows signature, whose out-pointer this layer only records.
// NOLINTBEGIN(readability-non-const-parameter)
extern "C" BOOL WriteConsoleA(HANDLE hConsoleOutput, const VOID* lpBuffer,
                              DWORD nNumberOfCharsToWrite, LPDWORD lpNumberOfCharsWritten,
                              LPVOID lpReserved) {
  // NOLINTEND(readability-non-const-parameter)
  recording::calls.push_back(
      Call{Operation::kWriteConsole,
           std::string(static_cast<const char*>(lpBuffer), nNumberOfCharsToWrite), lpBuffer,
           nNumberOfCharsToWrite, hConsoleOutput, lpNumberOfCharsWritten, lpReserved});
  return recording::failing.write ? FALSE : TRUE;
}

extern "C" VOID ExitProcess(UINT uExitCode) {
  recording::calls.push_back(
      Call{Operation::kExitProcess, {}, nullptr, uExitCode, nullptr, nullptr, nullptr});
  throw recording::ProcessExit{uExitCode};
}
