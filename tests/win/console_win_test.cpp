// The console runner and the lookup request on the real APIs, with the real cmd.exe and small
// console helpers of our own.
#include "lookup/console_win.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "lookup/command_runner.h"
#include "lookup/lookup_request.h"
#include "tests/native/fakes.h"
#include "tests/win/win_test_support.h"

namespace {

std::function<void()> g_duringPump;
constexpr UINT kProbe = WM_APP + 7;
int g_probesSeen = 0;

void TestPump() {
  if (g_duringPump) g_duringPump();
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == kProbe) ++g_probesSeen;
    DispatchMessageA(&msg);
  }
}

class ConsoleWin : public ::testing::Test {
 protected:
  void SetUp() override {
    g_duringPump = nullptr;
    g_probesSeen = 0;
  }
  void TearDown() override { g_duringPump = nullptr; }
  Win32Console os{TestPump};
};

std::string Pattern(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>('a' + i % 26);
  return s;
}

TEST_F(ConsoleWin, OutputLargerThanThePipeBufferComesBackWhole) {
  RunResult r = RunConsoleCommand(Text((Helper() + " emit 300000").c_str()), os);
  EXPECT_EQ(r.status, RunStatus::Finished);
  EXPECT_EQ(r.output.size(), 300000u);
  EXPECT_TRUE(r.output.view() == Pattern(300000));
}

TEST_F(ConsoleWin, ZeroBytesAreDropped) {
  RunResult r = RunConsoleCommand(Text((Helper() + " emit 5000 zeros").c_str()), os);
  std::string expected;
  for (size_t i = 0; i < 5000; ++i) {
    if (i % 7 != 6) expected += static_cast<char>('a' + i % 26);
  }
  EXPECT_TRUE(r.output.view() == expected);
}

TEST_F(ConsoleWin, StandardOutputAndErrorAreMergedInTheOrderWritten) {
  RunResult r = RunConsoleCommand(Text((Helper() + " order").c_str()), os);
  EXPECT_EQ(r.output.view(), "out1\r\nerr1\r\nout2\r\nerr2\r\nout3\r\nerr3\r\n");
}

TEST_F(ConsoleWin, InterpreterMessagesComeBackToo) {
  RunResult r = RunConsoleCommand(Text("no-such-program-here"), os);
  EXPECT_EQ(r.status, RunStatus::Finished);
  EXPECT_NE(r.output.view().find("no-such-program-here"), std::string_view::npos)
      << r.output.c_str();
}

class NotNt : public Win32Console {
 public:
  using Win32Console::Win32Console;
  std::uint32_t PlatformId() override { return kPlatformWindows; }
};

TEST_F(ConsoleWin, WithoutCommandComTheFailureIsReported) {
  NotNt old(TestPump);
  FakeControls ui;
  ui.texts[编辑框1] = "example.com";
  ui.texts[组合框2] = "MX";
  ui.texts[组合框1] = "127.0.0.1";
  DWORD before = GetTickCount();
  OnQueryClicked(ui, old);
  EXPECT_LT(GetTickCount() - before, 1000u);
  const std::string& shown = ui.texts[编辑框2];
  EXPECT_EQ(shown.rfind("无法启动命令：command.com /c nslookup -type=MX example.com 127.0.0.1\r\n"
                        "错误代码 2：", 0), 0u) << shown;
  EXPECT_GT(shown.size(), std::strlen("无法启动命令：command.com /c nslookup -type=MX example.com "
                                      "127.0.0.1\r\n错误代码 2：")) << "the system's message";
  EXPECT_EQ(ui.captions[标签4], kStartFailedStatus);
}

// The stand-in nslookup.exe in tests\echo prints what reached it; cmd.exe finds it first in
// the working directory.
class CommandLineReachesTheTool : public ConsoleWin {
 protected:
  void SetUp() override {
    ConsoleWin::SetUp();
    GetCurrentDirectoryA(MAX_PATH, saved_);
    SetCurrentDirectoryA((ExeFolder() + "echo").c_str());
  }
  void TearDown() override {
    SetCurrentDirectoryA(saved_);
    ConsoleWin::TearDown();
  }
  char saved_[MAX_PATH] = {};
};

TEST_F(CommandLineReachesTheTool, Exactly) {
  struct Case {
    const char* domain;
    const char* type;
    const char* resolver;
    const char* reached;
  };
  const Case cases[] = {
      {"example.com", "MX", "127.0.0.1", "[-type=MX example.com 127.0.0.1]"},
      {"", "A", "127.0.0.1", "[-type=A  127.0.0.1]"},
      {"a b", "cname", "127.0.0.1", "[-type=cname a b 127.0.0.1]"},
      {"电信.cn", "NS", "127.0.0.1", "[-type=NS 电信.cn 127.0.0.1]"},
      {"x\x81|y.cn", "A", "127.0.0.1", "[-type=A x\x81|y.cn 127.0.0.1]"},
      {"example.com", "A", "", "[-type=A example.com ]"},
  };
  for (const Case& c : cases) {
    FakeControls ui;
    ui.texts[编辑框1] = c.domain;
    ui.texts[组合框2] = c.type;
    ui.texts[组合框1] = c.resolver;
    OnQueryClicked(ui, os);
    EXPECT_EQ(ui.texts[编辑框2], c.reached) << c.domain;
  }
}

TEST_F(ConsoleWin, NestedLookupRunsToItsEndFirstAndEachGetsItsOwnOutput) {
  // Two nested runs of the helper; the click-level nesting is covered natively and on the exe.
  std::string innerOutput;
  bool clicked = false;
  g_duringPump = [&] {
    if (clicked) return;
    clicked = true;
    innerOutput = std::string(RunConsoleCommand(Text((Helper() + " emit 3000").c_str()), os)
                                  .output.view());
  };
  RunResult outer = RunConsoleCommand(Text((Helper() + " slow 5 30").c_str()), os);
  EXPECT_EQ(innerOutput, Pattern(3000));
  EXPECT_EQ(outer.output.view(), "line 0\r\nline 1\r\nline 2\r\nline 3\r\nline 4\r\n");
}

TEST_F(ConsoleWin, AChildThatNeverEndsKeepsEventsFlowingUntilAllLookupsAreEnded) {
  DWORD start = GetTickCount();
  g_duringPump = [&] {
    PostThreadMessageA(GetCurrentThreadId(), kProbe, 0, 0);
    if (GetTickCount() - start > 700) os.EndAllLookups();
  };
  RunResult r = RunConsoleCommand(Text((Helper() + " forever spawn").c_str()), os);
  EXPECT_EQ(r.status, RunStatus::Abandoned);
  EXPECT_GT(g_probesSeen, 5);
  for (int i = 0; i < 50 && CountHelperProcesses() > 0; ++i) Sleep(20);
  EXPECT_EQ(CountHelperProcesses(), 0) << "the child and its own child are stopped";
}

TEST_F(ConsoleWin, RepeatedLookupsLeaveNoHandleBehind) {
  RunConsoleCommand(Text((Helper() + " exit").c_str()), os);  // warms up what is made once
  int before = CountOpenHandles();
  for (int i = 0; i < 10; ++i) RunConsoleCommand(Text((Helper() + " emit 100").c_str()), os);
  EXPECT_EQ(CountOpenHandles(), before);
}

}  // namespace
