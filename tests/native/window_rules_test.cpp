// The window's decisions that need no window: keys, tab order, timer periods, operator label.
#include <gtest/gtest.h>

#include "app/keys.h"
#include "app/resolver_label.h"
#include "app/timer_rules.h"
#include "tests/native/fakes.h"

namespace {

TEST(DecideKey, TakesOnlyTabEscAndEnter) {
  struct Case {
    KeyPress key;
    int focused;
    bool listOpen;
    KeyAction action;
  };
  const KeyPress tab{kVkTab, false, false, false}, shiftTab{kVkTab, true, false, false};
  const KeyPress esc{kVkEscape, false, false, false}, enter{kVkReturn, false, false, false};
  const Case cases[] = {
      {tab, 编辑框1, false, KeyAction::FocusNext},
      {tab, 编辑框2, false, KeyAction::FocusNext},  // no tab character in the output box
      {shiftTab, 编辑框2, false, KeyAction::FocusPrevious},
      {{kVkTab, false, true, false}, 编辑框2, false, KeyAction::PassOn},  // Ctrl+Tab
      {esc, 编辑框2, false, KeyAction::CloseWindow},
      {esc, 按钮1, false, KeyAction::CloseWindow},
      {esc, 组合框1, true, KeyAction::CloseList},
      {{kVkEscape, true, false, false}, 编辑框1, false, KeyAction::PassOn},
      {enter, 编辑框2, false, KeyAction::PassOn},  // a new line
      {enter, 编辑框1, false, KeyAction::Swallow},  // no default button: no lookup
      {enter, 按钮1, false, KeyAction::Swallow},
      {enter, 组合框2, false, KeyAction::Swallow},
      {{' ', false, false, false}, 按钮1, false, KeyAction::PassOn},  // Space clicks the button
      {{'A', false, false, false}, 编辑框1, false, KeyAction::PassOn},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DecideKey(c.key, c.focused, c.listOpen), c.action)
        << "key " << c.key.virtualKey << " on " << c.focused;
  }
}

TEST(NextInTabOrder, CyclesBothWays) {
  const ControlId forward[] = {编辑框1, 组合框1, 按钮1, 编辑框2, 组合框2, 编辑框1};
  for (size_t i = 0; i + 1 < std::size(forward); ++i) {
    EXPECT_EQ(NextInTabOrder(forward[i], true), forward[i + 1]);
    EXPECT_EQ(NextInTabOrder(forward[i + 1], false), forward[i]);
  }
  EXPECT_EQ(NextInTabOrder(0, true), 编辑框1);
  EXPECT_EQ(NextInTabOrder(标签1, false), 组合框2);
}

TEST(ChangePeriod, FollowsTheTimerRules) {
  struct Case {
    int current, requested;
    bool restart;
    int period;
  };
  const Case cases[] = {
      {0, 500, true, 500},   // starts
      {500, 500, false, 500},  // the same period does not restart the count
      {500, 250, true, 250},
      {500, 0, true, 0},     // stops
      {500, -3, true, 0},    // negative is 0
      {0, -3, false, 0},
  };
  for (const Case& c : cases) {
    PeriodChange change = ChangePeriod(c.current, c.requested);
    EXPECT_EQ(change.restart, c.restart) << c.current << " -> " << c.requested;
    EXPECT_EQ(change.period, c.period) << c.current << " -> " << c.requested;
  }
}

TEST(OnWindowCreated, StartsTheTimerAtHalfASecond) {
  FakeControls ui;
  OnWindowCreated(ui);
  EXPECT_EQ(ui.period, 500);
}

TEST(OnResolverTimer, NamesTheOperatorOfExactlyTheAddressInTheBox) {
  struct Case {
    const char* box;
    const char* label;  // what 标签1 shows after the tick, starting from "DNS所属运营商"
  };
  const Case cases[] = {
      {"114.114.114.114", "国内公共DNS"},
      {"202.96.134.133", "电信DNS"},
      {"202.96.128.166", "电信DNS"},
      {"119.29.29.29", "腾讯DNS"},
      {"192.168.3.5", "公司内部DNS"},
      {"8.8.8.8", "国际公共DNS"},
      {" 8.8.8.8", "DNS所属运营商"},
      {"8.8.8.8 ", "DNS所属运营商"},
      {"08.8.8.8", "DNS所属运营商"},
      {"", "DNS所属运营商"},
      {"1.2.3.4", "DNS所属运营商"},
  };
  for (const Case& c : cases) {
    FakeControls ui;
    ui.captions[标签1] = "DNS所属运营商";
    ui.texts[组合框1] = c.box;
    OnResolverTimer(ui);
    EXPECT_EQ(ui.captions[标签1], c.label) << "box: [" << c.box << "]";
  }
}

TEST(OnResolverTimer, KeepsTheLastMatchAndWritesItAgainOnEveryMatchingTick) {
  FakeControls ui;
  ui.texts[组合框1] = "8.8.8.8";
  OnResolverTimer(ui);
  OnResolverTimer(ui);
  EXPECT_EQ(ui.captionWrites.size(), 2u);
  ui.texts[组合框1] = "9.9.9.9";
  OnResolverTimer(ui);
  EXPECT_EQ(ui.captions[标签1], "国际公共DNS");
  EXPECT_EQ(ui.captionWrites.size(), 2u);
  EXPECT_EQ(ui.reads, 6 + 6 + 6) << "one read per row examined; 8.8.8.8 is the last row";
}

}  // namespace
