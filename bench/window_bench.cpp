// The real main window in this process, built by CreateMainWindow as dravelo.exe builds it:
//   window_bench display REPEATS                  time to put 1 MB into 编辑框2, and into a bare
//                                                 edit box of the same styles
//   window_bench profile                          where CreateMainWindow spends its time
//   window_bench soak WORKDIR LOOKUPS NESTED      lookups in a row, then nested ones, counting
//                                                 handles, private bytes and leftover children
// WORKDIR holds the bench stand-in nslookup.exe, which cmd.exe finds there first.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/event_pump_win.h"
#include "app/main_window_win.h"
#include "bench/bench_support.h"

namespace {

void PumpFor(DWORD ms) {
  DWORD start = GetTickCount();
  do {
    PumpPendingEvents();
    Sleep(5);
  } while (GetTickCount() - start < ms);
}

HWND OpenWindow() {
  ForgetQuitRequest();
  HWND window = CreateMainWindow(GetModuleHandleA(nullptr));
  if (window) PumpFor(200);
  return window;
}

void DropWindow(HWND window) {
  if (IsWindow(window)) DestroyWindow(window);
  PumpPendingEvents();
  ForgetQuitRequest();
}

// ---- display

// About 1 MB of lines shaped like nslookup's answers.
Text LargeResult() {
  std::string text;
  for (int i = 0; text.size() < (1u << 20); ++i) {
    text += "example.com\tMX preference = " + std::to_string(i % 50) +
            ", mail exchanger = mx" + std::to_string(i) + ".example.com\r\n";
  }
  text.resize(1u << 20);
  return Text(text);
}

// A top-level window holding nothing but a system edit box styled as 编辑框2: shows how much of
// the display time is the system's edit control itself.
HWND BareEdit(HWND& holder) {
  holder = CreateWindowExA(0, "STATIC", "bare", WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, 0, 0, 502,
                           421, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  DWORD style = WS_CHILD | WS_VISIBLE | ES_LEFT | ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL |
                ES_WANTRETURN | WS_HSCROLL | WS_VSCROLL;
  HWND box = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", style, 16, 96, 464, 288, holder, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
  SendMessageA(box, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
  SendMessageA(box, EM_SETLIMITTEXT, 0, 0);
  return box;
}

double BareEditWriteMs(const Text& large, int repeats) {
  HWND holder = nullptr;
  HWND box = BareEdit(holder);
  std::vector<double> write;
  for (int i = 0; i < repeats; ++i) {
    SetWindowTextA(box, "");
    PumpFor(100);
    std::int64_t start = NowTicks();
    SetWindowTextA(box, large.c_str());
    write.push_back(TicksToMs(NowTicks() - start));
  }
  DestroyWindow(holder);
  return Median(write);
}

int Display(int repeats) {
  HWND window = OpenWindow();
  if (!window) return Note("display: no window"), 1;
  HWND box = GetDlgItem(window, 编辑框2);
  Text large = LargeResult();
  std::vector<double> write, paint;
  for (int i = 0; i < repeats; ++i) {
    ControlsOf(window).WriteText(编辑框2, Text(""));
    PumpFor(100);
    std::int64_t start = NowTicks();
    ControlsOf(window).WriteText(编辑框2, large);
    std::int64_t written = NowTicks();
    UpdateWindow(box);
    PumpPendingEvents();
    std::int64_t painted = NowTicks();
    if (static_cast<std::size_t>(GetWindowTextLengthA(box)) != large.size()) {
      Note("display: the box holds a different length");
    }
    write.push_back(TicksToMs(written - start));
    paint.push_back(TicksToMs(painted - written));
  }
  Report("display.write_ms", Median(write));
  Report("display.paint_ms", Median(paint));
  Report("display.bytes", static_cast<double>(large.size()));
  DropWindow(window);
  Report("display.bare_edit_write_ms", BareEditWriteMs(large, repeats));
  return 0;
}

// ---- where start-up goes

// One step of start-up: the id of a child window being created, or one of these.
enum Step : int { kTopLevel = 0, kMainShown = 1, kMainPainted = 2 };
struct Moment {
  std::int64_t at;
  int step;
};
std::vector<Moment> g_moments;

bool IsMain(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return lstrcmpA(name, kMainWindowClass) == 0;
}

// Notes the moment each window of this thread is about to be created.
LRESULT CALLBACK NoteCreation(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND) {
    const CREATESTRUCTA& cs = *reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs;
    auto id = reinterpret_cast<INT_PTR>(cs.hMenu);
    // A combo box makes its own edit field and list: those show up with ids of their own.
    g_moments.push_back({NowTicks(), cs.hwndParent == nullptr ? kTopLevel : static_cast<int>(id)});
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Notes when the main window is told it is shown, and when it first paints.
LRESULT CALLBACK NoteMessage(int code, WPARAM wParam, LPARAM lParam) {
  const CWPSTRUCT& sent = *reinterpret_cast<CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && IsMain(sent.hwnd)) {
    if (sent.message == WM_SHOWWINDOW && sent.wParam) g_moments.push_back({NowTicks(), kMainShown});
    if (sent.message == WM_PAINT) g_moments.push_back({NowTicks(), kMainPainted});
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// The time from the start of CreateMainWindow to each of our windows' creation, and to its end:
// the gap before a control's creation is what the previous control's creation and set-up took.
int Profile() {
  HHOOK creations = SetWindowsHookExA(WH_CBT, NoteCreation, nullptr, GetCurrentThreadId());
  HHOOK messages = SetWindowsHookExA(WH_CALLWNDPROC, NoteMessage, nullptr, GetCurrentThreadId());
  std::int64_t start = NowTicks();
  HWND window = CreateMainWindow(GetModuleHandleA(nullptr));
  std::int64_t end = NowTicks();
  UnhookWindowsHookEx(messages);
  UnhookWindowsHookEx(creations);
  if (!window) return Note("profile: no window"), 1;
  std::string timeline;
  for (const Moment& m : g_moments) {
    char entry[48];
    std::snprintf(entry, sizeof entry, "%s%d@%.1f", timeline.empty() ? "" : ",", m.step,
                  TicksToMs(m.at - start));
    timeline += entry;
  }
  Report("profile.create_ms", TicksToMs(end - start));
  Report("profile.timeline", timeline);
  DropWindow(window);
  return 0;
}

// ---- soak

WNDPROC g_windowProc = nullptr;
int g_depth = 0, g_deepest = 0, g_clicks = 0;

// Watches the clicks on their way to the window, to see how deep the lookups nest.
LRESULT CALLBACK Watch(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  bool click = message == WM_COMMAND && LOWORD(wParam) == 按钮1 && HIWORD(wParam) == BN_CLICKED;
  if (click && ++g_depth > g_deepest) g_deepest = g_depth;
  LRESULT result = CallWindowProcA(g_windowProc, window, message, wParam, lParam);
  if (click) --g_depth, ++g_clicks;
  return result;
}

void SetBox(HWND window, ControlId id, const char* text) {
  SendMessageA(GetDlgItem(window, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

WPARAM ClickParam() { return MAKEWPARAM(按钮1, BN_CLICKED); }
LPARAM ButtonOf(HWND window) { return reinterpret_cast<LPARAM>(GetDlgItem(window, 按钮1)); }

// One lookup, run to its end: in this thread SendMessage calls the window procedure directly.
bool Lookup(HWND window) {
  SendMessageA(window, WM_COMMAND, ClickParam(), ButtonOf(window));
  Text shown = ControlsOf(window).ReadText(编辑框2);
  return shown.view().find("Name:    exit.bench") != std::string_view::npos;
}

void ReportState(const std::string& key) {
  Report(key + ".handles", CountOpenHandles());
  Report(key + ".private_kb", static_cast<double>(PrivateBytes()) / 1024.0);
}

// The kinds of the handles open now that were not open in `before`: what a leak would be made of.
std::string HandlesAddedSince(const std::vector<ULONG_PTR>& before) {
  std::string added;
  for (ULONG_PTR value : OpenHandleValues()) {
    if (std::find(before.begin(), before.end(), value) != before.end()) continue;
    added += (added.empty() ? "" : ",") + HandleTypeName(value);
  }
  return added.empty() ? "none" : added;
}

// Children end with their lookup; give the last one a moment to be gone from the process list.
int LeftoverChildren() {
  int left = 0;
  for (int i = 0; i < 50; ++i) {
    left = CountProcessesNamed("nslookup.exe") + CountProcessesNamed("cmd.exe");
    if (left == 0) break;
    Sleep(20);
  }
  return left;
}

int Soak(const char* workFolder, int lookups, int nested) {
  if (!SetCurrentDirectoryA(workFolder)) return Note("soak: no work folder"), 1;
  HWND window = OpenWindow();
  if (!window) return Note("soak: no window"), 1;
  g_windowProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Watch)));
  // The resolver first: no click may ever name a real resolver.
  SetBox(window, 组合框1, "127.0.0.1");
  SetBox(window, 组合框2, "A");
  SetBox(window, 编辑框1, "exit.bench");
  if (!TextEquals(ControlsOf(window).ReadText(组合框1), "127.0.0.1")) return Note("soak: resolver"), 1;
  int wrong = 0;
  for (int i = 0; i < 10; ++i) wrong += !Lookup(window);  // what is made once is made now
  ReportState("soak.start");
  std::vector<ULONG_PTR> startHandles = OpenHandleValues();
  Note("soak: " + std::to_string(lookups) + " lookups in a row");
  std::int64_t start = NowTicks(), probing = 0;
  std::string curve = std::to_string(CountOpenHandles());  // a leak shows as a steady climb
  for (int i = 1; i <= lookups; ++i) {
    wrong += !Lookup(window);
    if (i == lookups / 2) ReportState("soak.half");
    if (lookups >= 10 && i % (lookups / 10) == 0) {
      std::int64_t probe = NowTicks();
      curve += "," + std::to_string(CountOpenHandles());
      probing += NowTicks() - probe;
    }
  }
  Report("soak.lookup_ms", TicksToMs(NowTicks() - start - probing) / lookups);
  Report("soak.handle_curve", curve);
  ReportState("soak.after_row");

  Note("soak: " + std::to_string(nested) + " nested lookups");
  g_deepest = 0;
  for (int i = 0; i < nested; ++i) PostMessageA(window, WM_COMMAND, ClickParam(), ButtonOf(window));
  wrong += !Lookup(window);
  PumpFor(200);
  Report("soak.nested_depth", g_deepest);
  ReportState("soak.after_nested");
  Report("soak.handles_added", HandlesAddedSince(startHandles));
  Report("soak.clicks", g_clicks);
  Report("soak.wrong_results", wrong);
  Report("soak.children_left", LeftoverChildren());
  DropWindow(window);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "display") return Display(argc > 2 ? std::atoi(argv[2]) : 5);
  if (mode == "profile") return Profile();
  if (mode == "soak" && argc > 4) return Soak(argv[2], std::atoi(argv[3]), std::atoi(argv[4]));
  Note("usage: window_bench display REPEATS | profile | soak WORKDIR LOOKUPS NESTED");
  return 2;
}
