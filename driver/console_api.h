// The four console and process operations the program uses, spelled, typed
// and ordered as the Windows API spells them. On Windows they are KERNEL32's
// own, declared here rather than through <windows.h>, which not every
// Windows toolchain's headers provide (clang-cl's come from the Windows SDK);
// elsewhere a platform file linked into the build defines them.
#pragma once

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

#ifdef _WIN32
// KERNEL32's calling convention, and calls made through the import table.
#define WINAPI __stdcall
#define QUOVEX_IMPORT __declspec(dllimport)
#else
#define WINAPI
#define QUOVEX_IMPORT
#endif

extern "C" {
QUOVEX_IMPORT BOOL WINAPI SetConsoleTitleA(LPCSTR lpConsoleTitle);
QUOVEX_IMPORT HANDLE WINAPI GetStdHandle(DWORD nStdHandle);
QUOVEX_IMPORT BOOL WINAPI WriteConsoleA(HANDLE hConsoleOutput, const VOID* lpBuffer,
                                        DWORD nNumberOfCharsToWrite, LPDWORD lpNumberOfCharsWritten,
                                        LPVOID lpReserved);
[[noreturn]] QUOVEX_IMPORT VOID WINAPI ExitProcess(UINT uExitCode);
}
