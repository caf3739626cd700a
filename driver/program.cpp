#include "driver/program.h"

#include "driver/console_api.h"
#include "driver/int_to_decimal.h"
#include "stats/min_max.h"

std::int32_t DataSet[kDataSetCount];
std::int32_t MinValue;
std::int32_t MaxValue;
char OutputBuffer[kOutputLength];
extern const char WindowTitle[] = "QUOVEX---";

namespace {
constexpr std::int32_t kFixedData[kDataSetCount] = {-4, -3, -2, -1, -1, -5, -6, -7, -9, -5};
constexpr UINT kExitCode = 0;
}  // namespace

extern "C" void ProgramMain() {
  for (std::uint32_t i = 0; i < kDataSetCount; ++i) {
    DataSet[i] = kFixedData[i];
  }
  MinValue = FindMinimum(DataSet, kDataSetCount);
  MaxValue = FindMaximum(DataSet, kDataSetCount);
  // The range wraps modulo 2^32; unsigned arithmetic does that without
  // signed overflow, and the conversion back is exact two's complement.
  MaxValue = static_cast<std::int32_t>(static_cast<std::uint32_t>(MaxValue) -
                                       static_cast<std::uint32_t>(MinValue));

  SetConsoleTitleA(WindowTitle);
  IntToDecimal(MaxValue, OutputBuffer);
  WriteOutput(OutputBuffer, kOutputLength);
  ExitProcess(kExitCode);
}

void WriteOutput(const char* text, std::uint32_t count) {
  // Fetched on every call: standard output may have been replaced meanwhile.
  HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  WriteConsoleA(output, text, count, nullptr, nullptr);
}
