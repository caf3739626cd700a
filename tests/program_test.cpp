// The run sequence of ProgramMain, observed through the recording platform.
#include <gtest/gtest.h>

#include <string>

#include "driver/program.h"
#include "tests/recording_platform.h"

namespace {

using recording::Operation;

const std::string kExpectedOutput = std::string("8") + std::string(159, '\0');

// Checks the one sequence every run makes, whatever the platform answers:
// title, handle, one write of 160 bytes, exit 0.
void ExpectTheWholeRun(HANDLE expected_handle) {
  const auto& calls = recording::Calls();
  ASSERT_EQ(calls.size(), 4u);

  EXPECT_EQ(calls[0].operation, Operation::kSetConsoleTitle);
  EXPECT_EQ(calls[0].text, "QUOVEX---");
  EXPECT_EQ(calls[0].pointer, WindowTitle);

  EXPECT_EQ(calls[1].operation, Operation::kGetStdHandle);
  EXPECT_EQ(calls[1].number, static_cast<DWORD>(-11));
  EXPECT_EQ(calls[1].handle, expected_handle);

  EXPECT_EQ(calls[2].operation, Operation::kWriteConsole);
  EXPECT_EQ(calls[2].handle, expected_handle);
  EXPECT_EQ(calls[2].pointer, OutputBuffer);
  EXPECT_EQ(calls[2].number, 160u);
  EXPECT_EQ(calls[2].text, kExpectedOutput);
  EXPECT_EQ(calls[2].chars_written, nullptr);
  EXPECT_EQ(calls[2].reserved, nullptr);

  EXPECT_EQ(calls[3].operation, Operation::kExitProcess);
  EXPECT_EQ(calls[3].number, 0u);
}

TEST(ProgramMain, TitlesWritesTheRangeAndExitsZero) {
  // Whatever DataSet holds beforehand, the run stores its own values first.
  for (auto& value : DataSet) {
    value = INT32_MIN;
  }
  recording::Reset();
  EXPECT_EQ(recording::RunProgram(), 0u);
  ExpectTheWholeRun(recording::kOutputHandle);

  const std::int32_t expected_data[] = {-4, -3, -2, -1, -1, -5, -6, -7, -9, -5};
  for (std::uint32_t i = 0; i < kDataSetCount; ++i) {
    EXPECT_EQ(DataSet[i], expected_data[i]) << "element " << i;
  }
  EXPECT_EQ(MinValue, -9);
  EXPECT_EQ(MaxValue, 8);
}

TEST(ProgramMain, RunsUnchangedWhateverFails) {
  const recording::Failures cases[] = {
      {.title = true},
      {.handle = true},
      {.write = true},
      {.title = true, .handle = true, .write = true},
  };
  for (const auto& failures : cases) {
    SCOPED_TRACE(testing::Message() << "title " << failures.title << ", handle " << failures.handle
                                    << ", write " << failures.write);
    recording::Reset(failures);
    EXPECT_EQ(recording::RunProgram(), 0u);
    // A failed handle is passed on to the write untested.
    ExpectTheWholeRun(failures.handle ? INVALID_HANDLE_VALUE : recording::kOutputHandle);
  }
}

TEST(WriteOutput, SendsExactlyTheCountPastNulsAndFetchesTheHandleEachTime) {
  recording::Reset();
  const char text[] = {'a', '\0', 'b', '\n', 'c'};
  WriteOutput(text, 4);
  WriteOutput(text, 0);

  const auto& calls = recording::Calls();
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[0].operation, Operation::kGetStdHandle);
  EXPECT_EQ(calls[1].operation, Operation::kWriteConsole);
  EXPECT_EQ(calls[1].text, std::string("a\0b\n", 4));
  EXPECT_EQ(calls[1].pointer, text);
  EXPECT_EQ(calls[2].operation, Operation::kGetStdHandle);
  EXPECT_EQ(calls[3].operation, Operation::kWriteConsole);
  EXPECT_EQ(calls[3].number, 0u);
}

}  // namespace
