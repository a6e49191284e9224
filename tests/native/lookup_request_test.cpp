#include "lookup/lookup_request.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/native/fakes.h"

namespace {

struct Boxes {
  const char* domain;
  const char* type;
  const char* resolver;
};

FakeControls WithBoxes(const Boxes& b) {
  FakeControls ui;
  ui.texts[编辑框1] = b.domain;
  ui.texts[组合框2] = b.type;
  ui.texts[组合框1] = b.resolver;
  return ui;
}

TEST(LookupText, StatusTextsHaveTheirByteLengths) {
  EXPECT_EQ(std::strlen(kRunningStatus), 24u);
  EXPECT_EQ(std::strlen(kFinishedStatus), 26u);
}

TEST(OnQueryClicked, JoinsTheBoxesIntoTheCommandLineUnchanged) {
  struct Case {
    Boxes boxes;
    const char* line;
  };
  const Case cases[] = {
      {{"example.com", "MX", "114.114.114.114"},
       "cmd.exe /c nslookup -type=MX example.com 114.114.114.114"},
      {{"", "A", "8.8.8.8"}, "cmd.exe /c nslookup -type=A  8.8.8.8"},
      {{"example.com", "", "8.8.8.8"}, "cmd.exe /c nslookup -type= example.com 8.8.8.8"},
      {{"example.com", "NS", ""}, "cmd.exe /c nslookup -type=NS example.com "},
      {{" a b ", " mx", "8.8.8.8 "}, "cmd.exe /c nslookup -type= mx  a b  8.8.8.8 "},
      {{"example.com", "txt", "127.0.0.1"}, "cmd.exe /c nslookup -type=txt example.com 127.0.0.1"},
      {{"电信.cn", "A", "127.0.0.1"},
       "cmd.exe /c nslookup -type=A \xb5\xe7\xd0\xc5.cn 127.0.0.1"},
  };
  for (const Case& c : cases) {
    FakeControls ui = WithBoxes(c.boxes);
    FakeConsole os;
    OnQueryClicked(ui, os);
    ASSERT_EQ(os.started.size(), 1u) << c.line;
    EXPECT_EQ(os.started[0], c.line);
  }
}

TEST(OnQueryClicked, ShowsTheOutputUnchangedBetweenTheTwoStatusTexts) {
  FakeControls ui = WithBoxes({"example.com", "MX", "127.0.0.1"});
  ui.texts[编辑框2] = "old output";
  FakeConsole os;
  os.children.push_back({.initial = "Server:  UnKnown\r\n", .later = {"\r\nline 2\r\n"},
                         .runningChecks = 2, .atExit = ""});
  OnQueryClicked(ui, os);
  EXPECT_EQ(ui.texts[编辑框2], "Server:  UnKnown\r\n\r\nline 2\r\n");
  EXPECT_EQ(ui.captionWrites, (std::vector<std::string>{kRunningStatus, kFinishedStatus}));
}

TEST(OnQueryClicked, ChildThatWritesNothingEmptiesTheOutputBox) {
  FakeControls ui = WithBoxes({"example.com", "MX", "127.0.0.1"});
  ui.texts[编辑框2] = "old output";
  FakeConsole os;
  OnQueryClicked(ui, os);
  EXPECT_EQ(ui.texts[编辑框2], "");
  EXPECT_EQ(ui.captions[标签4], kFinishedStatus);
}

TEST(FirstUnsafeCharacter, FindsWhatTheInterpreterWouldActOn) {
  const std::pair<std::string, const char*> cases[] = {
      {"example.com & del /q *", "&"},
      {"a|b", "|"},
      {"a<b", "<"},
      {"a>b", ">"},
      {"a^b", "^"},
      {"%PATH%", "%"},
      {"a!b", "!"},
      {"a\"b", "\""},
      {"a\tb", "0x09"},
      {"a\r\nb", "0x0D"},
      {"\x1f", "0x1F"},
      {"x&y|z", "&"},                     // the first one counts
      {"\xb5\xe7|", "|"},                 // after a whole character
      {"\x81", nullptr},                  // a lone lead byte at the end
      {"\x81\x7c" "abc", nullptr},        // trail byte 0x7C is part of the character
      {"\xfe\x5e", nullptr},              // trail byte 0x5E is part of the character
      {"\x81\x7c|", "|"},
      {" exa mple.com ", nullptr},
      {"", nullptr},
      {"mx", nullptr},
      {"电信DNS", nullptr},
  };
  for (const auto& [text, shown] : cases) {
    std::optional<Text> found = FirstUnsafeCharacter(text);
    if (shown == nullptr) {
      EXPECT_FALSE(found.has_value()) << text;
    } else {
      ASSERT_TRUE(found.has_value()) << text;
      EXPECT_STREQ(found->c_str(), shown) << text;
    }
  }
}

TEST(OnQueryClicked, RefusesUnsafeInputWithoutStartingAnything) {
  struct Case {
    Boxes boxes;
    const char* message;
  };
  const Case cases[] = {
      {{"example.com & del /q *", "MX", "8.8.8.8"},
       "输入中含有命令解释器的特殊字符“&”（查询的域名），查询未执行。"},
      {{"example.com", "MX|more", "8.8.8.8"},
       "输入中含有命令解释器的特殊字符“|”（记录类型），查询未执行。"},
      {{"example.com", "MX", "8.8.8.8\n"},
       "输入中含有命令解释器的特殊字符“0x0A”（解析DNS），查询未执行。"},
      // All three are unsafe: the domain is checked first, then the type, then the resolver.
      {{"a>b", "c^d", "e%f"}, "输入中含有命令解释器的特殊字符“>”（查询的域名），查询未执行。"},
      {{"ab", "c^d", "e%f"}, "输入中含有命令解释器的特殊字符“^”（记录类型），查询未执行。"},
  };
  for (const Case& c : cases) {
    FakeControls ui = WithBoxes(c.boxes);
    FakeConsole os;
    OnQueryClicked(ui, os);
    EXPECT_TRUE(os.started.empty()) << c.message;
    EXPECT_EQ(ui.texts[编辑框2], c.message);
    EXPECT_EQ(ui.captions[标签4], kRefusedStatus);
  }
}

TEST(OnQueryClicked, ReportsAChildThatCannotBeStarted) {
  FakeControls ui = WithBoxes({"example.com", "MX", "127.0.0.1"});
  FakeConsole os;
  os.platformId = kPlatformWindows;
  os.startFails = true;
  os.startError = 2;
  OnQueryClicked(ui, os);
  EXPECT_EQ(ui.texts[编辑框2],
            "无法启动命令：command.com /c nslookup -type=MX example.com 127.0.0.1\r\n"
            "错误代码 2：message 2");
  EXPECT_EQ(ui.captionWrites, (std::vector<std::string>{kRunningStatus, kStartFailedStatus}));
}

TEST(OnQueryClicked, ReadsTheBoxesBeforeTheChildStarts) {
  FakeControls ui = WithBoxes({"first.example", "MX", "127.0.0.1"});
  FakeConsole os;
  os.children.push_back({.initial = "", .later = {}, .runningChecks = 3, .atExit = ""});
  os.onPump = [&] { ui.texts[组合框1] = "8.8.8.8"; };
  OnQueryClicked(ui, os);
  EXPECT_EQ(os.started[0], "cmd.exe /c nslookup -type=MX first.example 127.0.0.1");
}

TEST(OnQueryClicked, AClickDuringALookupRunsANestedLookupToItsEndFirst) {
  FakeControls ui = WithBoxes({"first.example", "MX", "127.0.0.1"});
  FakeConsole os;
  os.children.push_back({.initial = "first output", .later = {}, .runningChecks = 3, .atExit = ""});
  os.children.push_back({.initial = "second output", .later = {}, .runningChecks = 1, .atExit = ""});
  int clicks = 0;
  std::vector<std::string> shownWhenInnerEnded;
  os.onPump = [&] {
    if (clicks++ != 0) return;
    ui.texts[编辑框1] = "second.example";
    OnQueryClicked(ui, os);
    shownWhenInnerEnded.push_back(ui.texts[编辑框2]);
  };
  OnQueryClicked(ui, os);
  ASSERT_EQ(os.started.size(), 2u);
  EXPECT_EQ(os.started[1], "cmd.exe /c nslookup -type=MX second.example 127.0.0.1");
  EXPECT_EQ(shownWhenInnerEnded, (std::vector<std::string>{"second output"}));
  EXPECT_EQ(ui.texts[编辑框2], "first output");
  EXPECT_EQ(ui.captionWrites, (std::vector<std::string>{kRunningStatus, kRunningStatus,
                                                        kFinishedStatus, kFinishedStatus}));
}

TEST(OnQueryClicked, WritesNothingOnceTheWindowIsGone) {
  FakeControls ui = WithBoxes({"example.com", "MX", "127.0.0.1"});
  ui.texts[编辑框2] = "before";
  FakeConsole os;
  os.children.push_back({.initial = "x", .later = {}, .runningChecks = 1000000, .atExit = ""});
  os.children.push_back({.initial = "y", .later = {}, .runningChecks = 1000000, .atExit = ""});
  int pumps = 0;
  os.onPump = [&] {
    ++pumps;
    if (pumps == 1) OnQueryClicked(ui, os);  // a nested lookup, then the window closes
    if (pumps == 3) os.EndAllLookups();
  };
  OnQueryClicked(ui, os);
  EXPECT_EQ(ui.texts[编辑框2], "before");
  EXPECT_EQ(ui.captionWrites, (std::vector<std::string>{kRunningStatus, kRunningStatus}));
}

}  // namespace
