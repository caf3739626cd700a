// The start and the end of the process on POSIX systems. Each build's entry
// (main in the C library build, _start in the runtime-free one) calls
// StartProgram; ExitProcess, declared with the console operations, ends it.
#pragma once

// Sets the signal dispositions the program relies on, then runs ProgramMain.
extern "C" [[noreturn]] void StartProgram();
