// The four console and process operations the program uses, spelled, typed
// and ordered as the Windows API spells them. A Windows build takes them from
// <windows.h> and KERNEL32; elsewhere these declarations stand in for them and
// a platform file linked into the build defines them.
#pragma once

#ifdef _WIN32

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#else

#include <cstdint>

using BOOL = std::int32_t;
using UINT = std::uint32_t;
using DWORD = std::uint32_t;
using LPDWORD = DWORD*;
using LPCSTR = const char*;
using LPVOID = void*;
using VOID = void;
using HANDLE = void*;

inline constexpr BOOL TRUE = 1;
inline constexpr BOOL FALSE = 0;
inline constexpr DWORD STD_OUTPUT_HANDLE = static_cast<DWORD>(-11);
// Handles are pointer-sized; this one means "no handle", as on Windows.
// NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast,performance-no-int-to-ptr)
inline HANDLE const INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(std::intptr_t{-1});

#define WINAPI

extern "C" {
BOOL WINAPI SetConsoleTitleA(LPCSTR lpConsoleTitle);
HANDLE WINAPI GetStdHandle(DWORD nStdHandle);
BOOL WINAPI WriteConsoleA(HANDLE hConsoleOutput, const VOID* lpBuffer, DWORD nNumberOfCharsToWrite,
                          LPDWORD lpNumberOfCharsWritten, LPVOID lpReserved);
[[noreturn]] VOID WINAPI ExitProcess(UINT uExitCode);
}

#endif
