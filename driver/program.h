// The program's static data, its entry procedure and its console output.
#pragma once

#include <cstdint>

inline constexpr std::uint32_t kDataSetCount = 10;
// The console write always sends this many bytes of OutputBuffer, however
// short the text at its start: the rest is the buffer's zero fill.
inline constexpr std::uint32_t kOutputLength = 160;

extern std::int32_t DataSet[kDataSetCount];
extern std::int32_t MinValue;
extern std::int32_t MaxValue;
extern char OutputBuffer[kOutputLength];
extern const char WindowTitle[];

// The process entry. Computes the range of the data set, titles the console,
// writes the range and ends the process with exit code 0. It reads no input
// and never returns. C linkage gives it a plain symbol for the linker's entry.
extern "C" [[noreturn]] void ProgramMain();

// Writes exactly count characters of text to the console of standard output,
// NULs included. Failures are ignored.
void WriteOutput(const char* text, std::uint32_t count);
