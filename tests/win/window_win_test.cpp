// The real main window, in this process, driven through the messages that a user's input makes.
#include "app/main_window_win.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/event_pump_win.h"
#include "app/label_win.h"
#include "app/timer_win.h"
#include "app/window_description_win.h"
#include "lookup/command_runner.h"
#include "lookup/console_win.h"
#include "lookup/lookup_request.h"
#include "tests/win/win_test_support.h"

namespace {

std::string TextOf(HWND control) {
  char text[512] = {};
  GetWindowTextA(control, text, sizeof text);
  return text;
}

std::string ClassOf(HWND control) {
  char name[64] = {};
  GetClassNameA(control, name, sizeof name);
  return name;
}

RECT ClientRectOf(HWND control) {
  RECT r;
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

void PumpFor(DWORD ms) {
  DWORD start = GetTickCount();
  do {
    PumpPendingEvents();
    Sleep(5);
  } while (GetTickCount() - start < ms);
}

class MainWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ForgetQuitRequest();
    window_ = CreateMainWindow(GetModuleHandleA(nullptr));
    ASSERT_TRUE(window_);
    SetForegroundWindow(window_);
    PumpPendingEvents();
  }
  void TearDown() override {
    if (IsWindow(window_)) DestroyWindow(window_);
    PumpPendingEvents();
    ForgetQuitRequest();
    SetShift(false);
  }
  HWND Control(ControlId id) const { return GetDlgItem(window_, id); }
  int FocusedControl() const {
    HWND focus = GetFocus();
    while (focus && GetParent(focus) != window_) focus = GetParent(focus);
    return focus ? GetDlgCtrlID(focus) : 0;
  }
  void Press(int vk) {
    PostMessageA(GetFocus(), WM_KEYDOWN, vk, 1);
    PostMessageA(GetFocus(), WM_KEYUP, vk, 0xC0000001);
    PumpPendingEvents();
  }
  static void SetShift(bool down) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = down ? 0x80 : 0;
    SetKeyboardState(keys);
  }
  HWND window_ = nullptr;
};

TEST_F(MainWindow, HasItsOwnSettings) {
  EXPECT_EQ(TextOf(window_), "Dravelo by:Tovric");
  LONG_PTR style = GetWindowLongPtrA(window_, GWL_STYLE);
  EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX),
            WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
  EXPECT_EQ(style & (WS_MAXIMIZEBOX | WS_THICKFRAME | WS_CHILD), 0);
  EXPECT_EQ(GetWindow(window_, GW_OWNER), nullptr);
  EXPECT_EQ(GetMenu(window_), nullptr);
  RECT r;
  GetWindowRect(window_, &r);
  EXPECT_EQ(r.right - r.left, 502);
  EXPECT_EQ(r.bottom - r.top, 421);
  EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - 502) / 2);
  EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYSCREEN) - 421) / 2);
  EXPECT_EQ(reinterpret_cast<HBRUSH>(GetClassLongPtrA(window_, GCLP_HBRBACKGROUND)),
            GetSysColorBrush(COLOR_BTNFACE));
  EXPECT_EQ(reinterpret_cast<HGDIOBJ>(SendMessageA(window_, WM_GETFONT, 0, 0)),
            GetStockObject(DEFAULT_GUI_FONT));
  EXPECT_TRUE(IsWindowVisible(window_));
}

TEST_F(MainWindow, CarriesBothIconsFromTheIconGroup) {
  for (auto [which, size] : {std::pair{ICON_BIG, 32}, std::pair{ICON_SMALL, 16}}) {
    auto icon = reinterpret_cast<HICON>(SendMessageA(window_, WM_GETICON, which, 0));
    ASSERT_TRUE(icon) << size;
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP bitmap{};
    GetObjectA(info.hbmColor, sizeof bitmap, &bitmap);
    EXPECT_EQ(bitmap.bmWidth, size);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
  }
}

TEST_F(MainWindow, EveryControlIsAsDescribed) {
  const std::pair<ControlKind, const char*> classes[] = {
      {ControlKind::Timer, kTimerClass}, {ControlKind::ComboBox, "ComboBox"},
      {ControlKind::Label, kLabelClass}, {ControlKind::Edit, "Edit"},
      {ControlKind::Button, "Button"}};
  for (const ControlDescription& d : kMainWindow.controls) {
    HWND c = Control(d.id);
    ASSERT_TRUE(c) << d.name;
    for (auto [kind, cls] : classes) {
      if (kind == d.kind) {
        EXPECT_EQ(_stricmp(ClassOf(c).c_str(), cls), 0) << d.name;
      }
    }
    RECT r = ClientRectOf(c);
    EXPECT_EQ(r.left, d.rect.left) << d.name;
    EXPECT_EQ(r.top, d.rect.top) << d.name;
    EXPECT_EQ(r.right, d.rect.right) << d.name;
    if (d.kind != ControlKind::ComboBox) {
      EXPECT_EQ(r.bottom, d.rect.bottom) << d.name;
    }
    LONG_PTR style = GetWindowLongPtrA(c, GWL_STYLE);
    DWORD ownStyle = d.style;
    // A combo box hands WS_VSCROLL on to its list, which drops the bit while its six items fit.
    if (d.kind == ControlKind::ComboBox) ownStyle &= ~WS_VSCROLL;
    EXPECT_EQ(style & ownStyle, static_cast<LONG_PTR>(ownStyle)) << d.name;
    EXPECT_EQ((style & WS_TABSTOP) != 0, d.tabStop) << d.name;
    EXPECT_EQ(style & (WS_CHILD | WS_CLIPSIBLINGS), WS_CHILD | WS_CLIPSIBLINGS) << d.name;
    EXPECT_EQ(GetWindowLongPtrA(c, GWL_EXSTYLE) & d.exStyle, static_cast<LONG_PTR>(d.exStyle)) << d.name;
    EXPECT_EQ(IsWindowVisible(c) != 0, d.visible) << d.name;
    EXPECT_TRUE(IsWindowEnabled(c)) << d.name;
    if (d.kind != ControlKind::Timer) {
      EXPECT_EQ(TextOf(c), d.text) << d.name;
    }
  }
}

TEST_F(MainWindow, ControlsAreStackedInTableOrder) {
  std::vector<int> stacked;
  for (HWND c = GetWindow(window_, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    stacked.push_back(GetDlgCtrlID(c));
  }
  std::vector<int> described;
  for (const ControlDescription& d : kMainWindow.controls) described.push_back(d.id);
  EXPECT_EQ(stacked, described);
}

TEST_F(MainWindow, ComboBoxesHoldTheirListWithNothingSelected) {
  HWND probe = CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | CBS_DROPDOWN, 0, 0, 50, 160, window_,
                               nullptr, nullptr, nullptr);
  SendMessageA(probe, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
  LRESULT systemItemHeight = SendMessageA(probe, CB_GETITEMHEIGHT, 0, 0);
  DestroyWindow(probe);
  for (ControlId id : {组合框1, 组合框2}) {
    const ControlDescription& d = Describe(id);
    HWND c = Control(id);
    ASSERT_EQ(SendMessageA(c, CB_GETCOUNT, 0, 0), static_cast<LRESULT>(d.items.size()));
    for (size_t i = 0; i < d.items.size(); ++i) {
      char item[64] = {};
      SendMessageA(c, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
      EXPECT_STREQ(item, d.items[i]);
    }
    EXPECT_EQ(SendMessageA(c, CB_GETCURSEL, 0, 0), CB_ERR) << d.name;
    EXPECT_EQ(SendMessageA(c, CB_GETITEMHEIGHT, 0, 0), systemItemHeight + 1) << d.name;
    RECT dropped{}, field{};
    SendMessageA(c, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
    GetWindowRect(c, &field);
    // Windows gives the whole dropped-down box; Wine gives the list below the field.
    int height = dropped.bottom - dropped.top, fieldHeight = field.bottom - field.top;
    EXPECT_TRUE(height == kComboCreationHeight || std::abs(height + fieldHeight - kComboCreationHeight) <= 1)
        << d.name << ": " << height << " + " << fieldHeight;
  }
}

TEST_F(MainWindow, FontsAndLimitsAreAsDescribed) {
  auto font = reinterpret_cast<HFONT>(SendMessageA(Control(按钮1), WM_GETFONT, 0, 0));
  LOGFONTA bold{};
  GetObjectA(font, sizeof bold, &bold);
  EXPECT_EQ(bold.lfHeight, -16);
  EXPECT_EQ(bold.lfWidth, 0);
  EXPECT_EQ(bold.lfWeight, 700);
  EXPECT_EQ(bold.lfQuality, PROOF_QUALITY);
  EXPECT_EQ(bold.lfCharSet, DEFAULT_CHARSET);
  EXPECT_STREQ(bold.lfFaceName, "");
  for (ControlId id : {编辑框1, 编辑框2, 组合框1, 组合框2, 标签1, 标签2, 标签3, 标签4}) {
    EXPECT_EQ(reinterpret_cast<HGDIOBJ>(SendMessageA(Control(id), WM_GETFONT, 0, 0)),
              GetStockObject(DEFAULT_GUI_FONT)) << Describe(id).name;
  }
  for (ControlId id : {编辑框1, 编辑框2}) {
    EXPECT_GT(static_cast<DWORD>(SendMessageA(Control(id), EM_GETLIMITTEXT, 0, 0)), 30000u);
  }
}

TEST_F(MainWindow, StartsWithTheFocusAtTheStartOfTheDomain) {
  EXPECT_EQ(FocusedControl(), 编辑框1);
  DWORD from = 1, to = 1;
  SendMessageA(Control(编辑框1), EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
  EXPECT_EQ(from, 0u);
  EXPECT_EQ(to, 0u);
}

TEST_F(MainWindow, TabAndShiftTabFollowTheFixedOrder) {
  const int forward[] = {组合框1, 按钮1, 编辑框2, 组合框2, 编辑框1};
  for (int expected : forward) {
    Press(VK_TAB);
    EXPECT_EQ(FocusedControl(), expected);
  }
  EXPECT_EQ(TextOf(Control(编辑框2)), "") << "no tab character was typed";
  SetShift(true);
  const int backward[] = {组合框2, 编辑框2, 按钮1, 组合框1, 编辑框1};
  for (int expected : backward) {
    Press(VK_TAB);
    EXPECT_EQ(FocusedControl(), expected);
  }
}

TEST_F(MainWindow, EnterStartsNothingOutsideTheOutputBoxAndMakesANewLineInIt) {
  Press(VK_RETURN);
  EXPECT_EQ(FocusedControl(), 编辑框1);
  EXPECT_EQ(TextOf(Control(标签4)), "") << "no lookup started";
  SetFocus(Control(编辑框2));
  Press(VK_RETURN);
  EXPECT_EQ(TextOf(Control(编辑框2)), "\r\n");
}

TEST_F(MainWindow, SpaceOnTheButtonClicksIt) {
  SetWindowTextA(Control(编辑框1), "a&b");  // refused at once: no child is started
  SetFocus(Control(按钮1));
  Press(VK_SPACE);
  EXPECT_EQ(TextOf(Control(标签4)), kRefusedStatus);
}

TEST_F(MainWindow, EscClosesAnOpenListFirstThenTheWindow) {
  SetFocus(Control(组合框1));
  SendMessageA(Control(组合框1), CB_SHOWDROPDOWN, TRUE, 0);
  ASSERT_TRUE(SendMessageA(Control(组合框1), CB_GETDROPPEDSTATE, 0, 0));
  Press(VK_ESCAPE);
  EXPECT_FALSE(SendMessageA(Control(组合框1), CB_GETDROPPEDSTATE, 0, 0));
  EXPECT_TRUE(IsWindow(window_));
  SetFocus(Control(编辑框2));
  Press(VK_ESCAPE);
  EXPECT_FALSE(IsWindow(window_));
  EXPECT_TRUE(QuitRequested()) << "the event loop is asked to end";
}

TEST_F(MainWindow, GivesTheFocusBackAfterDeactivation) {
  SetFocus(Control(按钮1));
  SendMessageA(window_, WM_ACTIVATE, WA_INACTIVE, 0);
  SetFocus(nullptr);
  SendMessageA(window_, WM_ACTIVATE, WA_ACTIVE, 0);
  EXPECT_EQ(FocusedControl(), 按钮1);
}

TEST_F(MainWindow, OperatorLabelFollowsTheResolverBox) {
  PumpFor(250);
  EXPECT_EQ(TextOf(Control(标签1)), "DNS所属运营商") << "before the first tick";
  PumpFor(550);
  EXPECT_EQ(TextOf(Control(标签1)), "国内公共DNS") << "the first tick, with the initial text";
  SendMessageA(Control(组合框1), CB_SETCURSEL, 2, 0);  // "8.8.8.8"
  PumpFor(700);
  EXPECT_EQ(TextOf(Control(标签1)), "国际公共DNS");
}

// Runs inside the lookup's wait, from a thread timer of the test's own.
struct DuringLookup {
  HWND window;
  std::string operatorLabel, status, output;
};
DuringLookup* g_during = nullptr;

void CALLBACK ChangeResolver(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  SetWindowTextA(GetDlgItem(g_during->window, 组合框1), "8.8.8.8");
}

void CALLBACK LookAndClose(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  g_during->operatorLabel = TextOf(GetDlgItem(g_during->window, 标签1));
  g_during->status = TextOf(GetDlgItem(g_during->window, 标签4));
  g_during->output = TextOf(GetDlgItem(g_during->window, 编辑框2));
  DestroyWindow(g_during->window);
}

TEST_F(MainWindow, OperatorLabelKeepsFollowingWhileALookupWaits) {
  char saved[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, saved);
  SetCurrentDirectoryA((ExeFolder() + "hang").c_str());  // its nslookup.exe never ends
  SetWindowTextA(Control(组合框1), "127.0.0.1");
  SetWindowTextA(Control(编辑框2), "earlier output");
  DuringLookup during{window_, "", "", ""};
  g_during = &during;
  SetTimer(nullptr, 0, 200, ChangeResolver);
  SetTimer(nullptr, 0, 1400, LookAndClose);
  PostMessageA(Control(按钮1), BM_CLICK, 0, 0);
  DWORD start = GetTickCount();
  PumpPendingEvents();  // the click's lookup runs in here until the window is closed
  while (IsWindow(window_) && GetTickCount() - start < 5000) PumpFor(50);
  SetCurrentDirectoryA(saved);
  g_during = nullptr;
  EXPECT_EQ(during.operatorLabel, "国际公共DNS");
  EXPECT_EQ(during.status, kRunningStatus);
  EXPECT_EQ(during.output, "earlier output");
  EXPECT_FALSE(IsWindow(window_));
}

// A timer control under a parent of its own, counting the ticks that reach the parent.
class TimerControl : public ::testing::Test {
 protected:
  static LRESULT CALLBACK CountTicks(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == kTimerTickMessage) ++ticks_;
    return DefWindowProcA(w, m, wp, lp);
  }
  void SetUp() override {
    CreateMainWindow(GetModuleHandleA(nullptr));  // registers the classes
    DestroyWindow(FindWindowA(kMainWindowClass, nullptr));
    PumpPendingEvents();
    ForgetQuitRequest();
    WNDCLASSA cls{};
    cls.lpfnWndProc = CountTicks;
    cls.hInstance = GetModuleHandleA(nullptr);
    cls.lpszClassName = "TickCounter";
    RegisterClassA(&cls);
    parent_ = CreateWindowExA(0, "TickCounter", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    timer_ = CreateWindowExA(0, kTimerClass, "", WS_CHILD, 0, 0, 1, 1, parent_, nullptr, nullptr, nullptr);
    ticks_ = 0;
  }
  void TearDown() override { DestroyWindow(parent_); }
  void Write(int period) { SendMessageA(timer_, kTimerSetPeriodMessage, static_cast<WPARAM>(period), 0); }
  // Runs events until the first tick; the milliseconds that took, or -1.
  int MsUntilTick(DWORD limit) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < limit) {
      PumpPendingEvents();
      if (ticks_ > 0) return static_cast<int>(GetTickCount() - start);
      Sleep(2);
    }
    return -1;
  }
  HWND parent_ = nullptr, timer_ = nullptr;
  static inline int ticks_ = 0;
};

TEST_F(TimerControl, FirstTickComesOneFullPeriodAfterTheWrite) {
  Write(300);
  int ms = MsUntilTick(2000);
  EXPECT_GE(ms, 250);
  EXPECT_LE(ms, 600);
}

TEST_F(TimerControl, WritingTheSamePeriodDoesNotRestartTheCount) {
  Write(400);
  Sleep(250);
  Write(400);
  EXPECT_LE(MsUntilTick(1000), 300) << "the tick is due 400 ms after the first write";
}

TEST_F(TimerControl, NegativeOrZeroPeriodLeavesItIdle) {
  Write(50);
  Write(-5);
  EXPECT_EQ(MsUntilTick(300), -1);
}

TEST_F(TimerControl, NoTickComesOnceItsWindowIsGone) {
  Write(20);
  DestroyWindow(timer_);
  EXPECT_EQ(MsUntilTick(200), -1);
}

TEST_F(TimerControl, AtMostOneTickIsPending) {
  Write(20);
  Sleep(300);  // about 15 periods pass while no event is processed
  PumpPendingEvents();
  EXPECT_EQ(ticks_, 1);
}

// Label drawing, into a bitmap.
class LabelPixels : public ::testing::Test {
 protected:
  void Render(ControlId id, const char* caption) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), kW, -kH, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT client{0, 0, kW, kH};
    DrawLabel(dc, client, caption, static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)), Describe(id));
    GdiFlush();
    const auto* p = static_cast<const DWORD*>(bits);
    pixels_.assign(p, p + kW * kH);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  COLORREF At(int x, int y) const {  // DIB pixels are 0x00RRGGBB
    DWORD v = pixels_[static_cast<size_t>(y * kW + x)];
    return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
  }
  int Count(COLORREF colour) const {
    int n = 0;
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) n += At(x, y) == colour;
    return n;
  }
  static constexpr int kW = 120, kH = 24;
  std::vector<DWORD> pixels_;
};

TEST_F(LabelPixels, EmptyCaptionDrawsOnlyTheBackground) {
  Render(标签4, "");
  EXPECT_EQ(Count(GetSysColor(COLOR_BTNFACE)), kW * kH);
}

TEST_F(LabelPixels, CaptionIsDrawnInTheLabelsColourOnTheFaceColour) {
  Render(标签1, "HHHHHHHHHH");
  EXPECT_GT(Count(GetSysColor(COLOR_BTNFACE)), kW * kH / 2);
  EXPECT_GT(Count(RGB(255, 0, 0)), 5);
  EXPECT_EQ(Count(RGB(255, 255, 255)), 0) << "no raised effect";
}

TEST_F(LabelPixels, StatusLineIsBlueWithAWhiteEdgeUpAndLeft) {
  Render(标签4, "HHHHHHHHHH");
  const COLORREF blue = RGB(0, 0, 255), white = RGB(255, 255, 255);
  EXPECT_GT(Count(blue), 5);
  int edged = 0, wrongSide = 0;
  for (int y = 1; y < kH; ++y) {
    for (int x = 1; x < kW; ++x) {
      if (At(x, y) != blue) continue;
      // The leftmost, topmost pixels of each stroke show the white copy beside them.
      if (At(x - 1, y - 1) == white) ++edged;
      if (x + 1 < kW && y + 1 < kH && At(x + 1, y + 1) == white) ++wrongSide;
    }
  }
  EXPECT_GT(edged, 5);
  EXPECT_EQ(wrongSide, 0);
}

}  // namespace

namespace {

ULONGLONG CpuMs() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto ms = [](FILETIME t) { return (ULONGLONG(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 10000; };
  return ms(kernel) + ms(user);
}

TEST(EventPump, APendingQuitStopsThePumpAndDoesNotMakeTheWaitSpin) {
  PostQuitMessage(7);
  PostMessageA(nullptr, WM_NULL, 0, 0);
  PumpPendingEvents();
  ASSERT_TRUE(QuitRequested());
  Win32Console os(PumpPendingEvents);
  ULONGLONG cpuBefore = CpuMs();
  DWORD wallBefore = GetTickCount();
  RunResult r = RunConsoleCommand(Text((Helper() + " idle 800").c_str()), os);
  DWORD wall = GetTickCount() - wallBefore;
  ULONGLONG cpu = CpuMs() - cpuBefore;
  EXPECT_EQ(r.status, RunStatus::Finished);
  EXPECT_GE(wall, 700u);
  EXPECT_LT(cpu, wall / 4) << "cpu " << cpu << " ms over " << wall << " ms";
  EXPECT_EQ(RunEventLoop(), 7) << "the kept request ends the event loop with its code";
  ForgetQuitRequest();
}

}  // namespace
