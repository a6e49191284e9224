#include "lookup/command_runner.h"

#include <gtest/gtest.h>

#include "tests/native/fakes.h"

namespace {

using Log = std::vector<std::string>;

RunResult RunIn(FakeConsole& os, const char* command = "nslookup x") {
  return RunConsoleCommand(Text(command), os);
}

TEST(RunConsoleCommand, EmptyCommandStartsNothing) {
  FakeConsole os;
  RunResult r = RunIn(os, "");
  EXPECT_EQ(r.status, RunStatus::Finished);
  EXPECT_TRUE(r.output.empty());
  EXPECT_TRUE(os.log.empty());
}

TEST(RunConsoleCommand, BlanksOnlyCommandIsRun) {
  FakeConsole os;
  RunIn(os, "   ");
  ASSERT_EQ(os.started.size(), 1u);
  EXPECT_EQ(os.started[0], "cmd.exe /c    ");
}

TEST(RunConsoleCommand, PrefixFollowsThePlatformIdentifier) {
  const std::pair<std::uint32_t, const char*> cases[] = {
      {kPlatformNt, "cmd.exe /c dir"},
      {kPlatformWindows, "command.com /c dir"},
      {kPlatformWin32s, "command.com /c dir"},
      {7, "command.com /c dir"},
  };
  for (const auto& [id, expected] : cases) {
    FakeConsole os;
    os.platformId = id;
    RunIn(os, "dir");
    ASSERT_EQ(os.started.size(), 1u);
    EXPECT_EQ(os.started[0], expected) << "platform " << id;
  }
}

TEST(RunConsoleCommand, ReadsWaitingBytesBeforeAskingForTheExitStatus) {
  FakeConsole os;
  os.children.push_back({.initial = "abc", .later = {}, .runningChecks = 1, .atExit = ""});
  RunResult r = RunIn(os);
  EXPECT_EQ(r.output.view(), "abc");
  EXPECT_EQ(os.log, (Log{"platform", "start",
                         "1: peek 3", "1: read 3", "pump",
                         "1: peek 0", "1: running", "pump", "1: wait 10",
                         "1: peek 0", "1: ended", "1: peek 0"}));
}

TEST(RunConsoleCommand, DrainsThePipeAfterTheChildHasEnded) {
  // Bytes that reach the pipe between the empty peek and the exit query are still collected.
  FakeConsole os;
  os.children.push_back({.initial = "", .later = {}, .runningChecks = 0,
                         .atExit = std::string(1500, 'z')});
  RunResult r = RunIn(os);
  EXPECT_EQ(r.output.view(), std::string(1500, 'z'));
  EXPECT_EQ(os.log, (Log{"platform", "start", "1: peek 0", "1: ended",
                         "1: peek 1500", "1: read 1023", "1: peek 477", "1: read 477",
                         "1: peek 0"}));
}

TEST(RunConsoleCommand, JoinsLongOutputWithoutSeparators) {
  std::string big;
  for (int i = 0; i < 5000; ++i) big += static_cast<char>('a' + i % 26);
  FakeConsole os;
  os.children.push_back({.initial = big.substr(0, 2100), .later = {big.substr(2100)},
                         .runningChecks = 3, .atExit = ""});
  EXPECT_EQ(RunIn(os).output.view(), big);
}

TEST(RunConsoleCommand, KeepsADoubleByteCharacterSplitBetweenReads) {
  // 1022 ASCII bytes, then 电 (B5 E7): the first read ends on its lead byte.
  std::string text = std::string(1022, 'a') + "\xb5\xe7" "DNS";
  FakeConsole os;
  os.children.push_back({.initial = text, .later = {}, .runningChecks = 0, .atExit = ""});
  EXPECT_EQ(RunIn(os).output.view(), text);
}

TEST(RunConsoleCommand, DropsZeroBytesAndKeepsEverythingElse) {
  const std::pair<std::string, std::string> cases[] = {
      {std::string("ab\0cd", 5), "abcd"},
      {std::string("\0\0x\0", 4), "x"},
      {std::string(1023, 'a') + std::string("\0b", 2), std::string(1023, 'a') + "b"},
  };
  for (const auto& [written, kept] : cases) {
    FakeConsole os;
    os.children.push_back({.initial = written, .later = {}, .runningChecks = 0, .atExit = ""});
    EXPECT_EQ(RunIn(os).output.view(), kept);
  }
}

TEST(RunConsoleCommand, ChildThatWritesNothingGivesEmptyText) {
  FakeConsole os;
  os.children.push_back({.initial = "", .later = {}, .runningChecks = 2, .atExit = ""});
  RunResult r = RunIn(os);
  EXPECT_EQ(r.status, RunStatus::Finished);
  EXPECT_TRUE(r.output.empty());
}

TEST(RunConsoleCommand, FailedStartIsReportedWithTheWholeCommandLine) {
  FakeConsole os;
  os.startFails = true;
  os.startError = 5;
  RunResult r = RunIn(os, "nslookup a");
  EXPECT_EQ(r.status, RunStatus::StartFailed);
  EXPECT_EQ(r.error, 5u);
  EXPECT_EQ(r.commandLine.view(), "cmd.exe /c nslookup a");
  EXPECT_EQ(os.log, (Log{"platform", "start"}));  // no polling, no waiting
}

TEST(RunConsoleCommand, EndingAllLookupsReturnsAtOnce) {
  FakeConsole os;
  os.children.push_back({.initial = "part", .later = {}, .runningChecks = 1000000, .atExit = ""});
  int pumps = 0;
  os.onPump = [&] {
    if (++pumps == 3) os.EndAllLookups();
  };
  RunResult r = RunIn(os);
  EXPECT_EQ(r.status, RunStatus::Abandoned);
  EXPECT_EQ(pumps, 3);
}

}  // namespace
