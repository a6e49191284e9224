#include "app/main_window_win.h"

#include <string>

#include "app/event_pump_win.h"
#include "app/keys.h"
#include "app/label_win.h"
#include "app/resolver_label.h"
#include "app/timer_win.h"
#include "app/window_description_win.h"
#include "common/unique_handle_win.h"
#include "lookup/console_win.h"
#include "lookup/lookup_request.h"

namespace {

// The property operations on the real controls. After the window is gone they do nothing.
class Win32Controls : public Controls {
 public:
  explicit Win32Controls(HWND window) : window_(window) {}
  Text ReadText(ControlId box) override {
    HWND control = Find(box);
    if (!control) return Text();
    std::string text(static_cast<size_t>(GetWindowTextLengthA(control)) + 1, '\0');
    text.resize(static_cast<size_t>(GetWindowTextA(control, text.data(), static_cast<int>(text.size()))));
    return Text(text);
  }
  void WriteText(ControlId box, const Text& text) override {
    if (HWND control = Find(box)) SetWindowTextA(control, text.c_str());
  }
  void WriteCaption(ControlId label, const Text& caption) override { WriteText(label, caption); }
  void WritePeriod(ControlId timer, int milliseconds) override {
    if (HWND control = Find(timer)) {
      SendMessageA(control, kTimerSetPeriodMessage, static_cast<WPARAM>(milliseconds), 0);
    }
  }

 private:
  HWND Find(ControlId id) const { return IsWindow(window_) ? GetDlgItem(window_, id) : nullptr; }
  HWND window_;
};

// What the window owns. A lookup that is running when the window goes away still holds it, so
// it is freed when the window and the last running lookup are both done with it.
struct MainWindowState {
  explicit MainWindowState(HWND window) : controls(window) {}
  Win32Controls controls;
  Win32Console console{PumpPendingEvents};
  UniqueGdiObject boldFont;
  UniqueIcon bigIcon, smallIcon;
  HWND lastFocus = nullptr;
  int holders = 1;  // the window, plus one per running click
};

MainWindowState* StateOf(HWND window) {
  return reinterpret_cast<MainWindowState*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

void Release(MainWindowState* state) {
  if (--state->holders == 0) delete state;
}

void RunQuery(MainWindowState* state) {
  ++state->holders;
  OnQueryClicked(state->controls, state->console);
  Release(state);
}

bool IsMainWindow(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return lstrcmpA(name, kMainWindowClass) == 0;
}

// The direct child of the window that holds `inner` (a combo box for its edit field).
HWND ControlHolding(HWND window, HWND inner) {
  while (inner && GetParent(inner) != window) inner = GetParent(inner);
  return inner;
}

bool ListOpen(HWND control) {
  char name[16] = {};
  GetClassNameA(control, name, sizeof name);
  return lstrcmpiA(name, "ComboBox") == 0 && SendMessageA(control, CB_GETDROPPEDSTATE, 0, 0);
}

bool TakeWindowKey(const MSG& message) {
  if (message.message != WM_KEYDOWN) return false;
  HWND window = GetAncestor(message.hwnd, GA_ROOT);
  if (!window || !IsMainWindow(window)) return false;
  HWND focused = ControlHolding(window, GetFocus());
  int id = focused ? GetDlgCtrlID(focused) : 0;
  KeyPress key{static_cast<int>(message.wParam), GetKeyState(VK_SHIFT) < 0,
               GetKeyState(VK_CONTROL) < 0, GetKeyState(VK_MENU) < 0};
  switch (DecideKey(key, id, focused && ListOpen(focused))) {
    case KeyAction::PassOn:
      return false;
    case KeyAction::FocusNext:
      SetFocus(GetDlgItem(window, NextInTabOrder(id, true)));
      return true;
    case KeyAction::FocusPrevious:
      SetFocus(GetDlgItem(window, NextInTabOrder(id, false)));
      return true;
    case KeyAction::CloseWindow:
      SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
      return true;
    case KeyAction::CloseList:
      SendMessageA(focused, CB_SHOWDROPDOWN, FALSE, 0);
      return true;
    case KeyAction::Swallow:
      return true;
  }
  return false;
}

void RestoreFocus(HWND window, MainWindowState& state) {
  HWND target = state.lastFocus;
  if (!target || !IsWindow(target) || !IsChild(window, target)) target = GetDlgItem(window, 编辑框1);
  SetFocus(target);
}

LRESULT ColourEdit(HDC dc, HWND control) {
  const ControlDescription& look = Describe(static_cast<ControlId>(GetDlgCtrlID(control)));
  SetTextColor(dc, ResolveColour(look.textColour));
  SetBkColor(dc, ResolveColour(look.background));
  return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  MainWindowState* state = StateOf(window);
  switch (message) {
    case WM_NCCREATE:
      SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new MainWindowState(window)));
      break;
    case WM_COMMAND:
      if (LOWORD(wParam) == 按钮1 && HIWORD(wParam) == BN_CLICKED) RunQuery(state);
      return 0;
    case kTimerTickMessage:
      if (wParam == 时钟1) OnResolverTimer(state->controls);
      return 0;
    case WM_CTLCOLOREDIT:
      return ColourEdit(reinterpret_cast<HDC>(wParam),
                        ControlHolding(window, reinterpret_cast<HWND>(lParam)));
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(GetStockObject(DEFAULT_GUI_FONT));
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        state->lastFocus = ControlHolding(window, GetFocus());
      } else {
        RestoreFocus(window, *state);
      }
      return 0;
    case WM_SETFOCUS:
      RestoreFocus(window, *state);
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_DESTROY:
      state->console.EndAllLookups();
      PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrA(window, GWLP_USERDATA, 0);
      if (state) Release(state);
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

bool RegisterClasses(HINSTANCE instance) {
  WNDCLASSA cls{};
  cls.lpfnWndProc = MainWindowProc;
  cls.hInstance = instance;
  cls.hCursor = LoadCursor(nullptr, IDC_ARROW);
  cls.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  cls.lpszClassName = kMainWindowClass;
  bool main = RegisterClassA(&cls) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  return main && RegisterLabelClass(instance) && RegisterTimerClass(instance);
}

HFONT FontFor(const ControlDescription& entry, MainWindowState& state) {
  if (entry.font == FontChoice::DefaultGui) return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  if (!state.boldFont) {
    state.boldFont.reset(CreateFontA(-16, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY,
                                     DEFAULT_PITCH | FF_DONTCARE, ""));
  }
  return static_cast<HFONT>(state.boldFont.get());
}

const char* SystemClass(ControlKind kind) {
  switch (kind) {
    case ControlKind::Edit: return "EDIT";
    case ControlKind::ComboBox: return "COMBOBOX";
    case ControlKind::Button: return "BUTTON";
    case ControlKind::Timer: return kTimerClass;
    case ControlKind::Label: return kLabelClass;
  }
  return "";
}

void FillComboBox(HWND combo, const ControlDescription& entry) {
  for (const char* item : entry.items) SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
  SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  SetWindowTextA(combo, entry.text);  // after the list, so that no item counts as selected
  SendMessageA(combo, CB_LIMITTEXT, 0, 0);
  LRESULT itemHeight = SendMessageA(combo, CB_GETITEMHEIGHT, 0, 0) + 1;
  SendMessageA(combo, CB_SETITEMHEIGHT, 0, itemHeight);
  // Wine takes CB_SETITEMHEIGHT only for owner-drawn lists; the list box itself takes it anywhere.
  COMBOBOXINFO parts{};
  parts.cbSize = sizeof parts;
  if (GetComboBoxInfo(combo, &parts)) SendMessageA(parts.hwndList, LB_SETITEMHEIGHT, 0, itemHeight);
  SendMessageA(combo, CB_SETEDITSEL, 0, MAKELPARAM(0, 0));
}

HWND CreateControl(HWND window, const ControlDescription& entry, MainWindowState& state) {
  HFONT font = FontFor(entry, state);
  if (entry.kind == ControlKind::Label) return CreateLabel(window, entry, font);
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS | entry.style | (entry.tabStop ? WS_TABSTOP : 0);
  const RECT& r = entry.rect;
  int height = entry.kind == ControlKind::ComboBox ? kComboCreationHeight : r.bottom - r.top;
  const char* text = entry.kind == ControlKind::ComboBox ? "" : entry.text;
  HWND control = CreateWindowExA(entry.exStyle, SystemClass(entry.kind), text, style, r.left, r.top,
                                 r.right - r.left, height, window,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(entry.id)),
                                 GetModuleHandleA(nullptr), nullptr);
  if (!control || entry.kind == ControlKind::Timer) return control;
  SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  if (entry.kind == ControlKind::ComboBox) FillComboBox(control, entry);
  if (entry.kind == ControlKind::Edit) {
    SendMessageA(control, EM_SETLIMITTEXT, 0, 0);
    SendMessageA(control, EM_SETSEL, 0, 0);
  }
  return control;
}

// Creates every control, stacks them in table order (the first on top), then shows the
// visible ones without activating anything.
void CreateControls(HWND window, MainWindowState& state) {
  HWND above = HWND_TOP;
  for (const ControlDescription& entry : kMainWindow.controls) {
    HWND control = CreateControl(window, entry, state);
    SetWindowPos(control, above, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    above = control;
  }
  for (const ControlDescription& entry : kMainWindow.controls) {
    if (entry.visible) ShowWindow(GetDlgItem(window, entry.id), SW_SHOWNA);
  }
}

void SetIcons(HWND window, HINSTANCE instance, MainWindowState& state) {
  state.bigIcon.reset(static_cast<HICON>(LoadImageA(instance, kMainWindow.icon, IMAGE_ICON, 32, 32, 0)));
  state.smallIcon.reset(static_cast<HICON>(LoadImageA(instance, kMainWindow.icon, IMAGE_ICON, 16, 16, 0)));
  SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(state.bigIcon.get()));
  SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(state.smallIcon.get()));
}

}  // namespace

HWND CreateMainWindow(HINSTANCE instance) {
  if (!RegisterClasses(instance)) return nullptr;
  const WindowDescription& d = kMainWindow;
  int left = (GetSystemMetrics(SM_CXSCREEN) - d.outerWidth) / 2;
  int top = (GetSystemMetrics(SM_CYSCREEN) - d.outerHeight) / 2;
  HWND window = CreateWindowExA(0, kMainWindowClass, d.title, d.style, left, top, d.outerWidth,
                                d.outerHeight, nullptr, nullptr, instance, nullptr);
  if (!window) return nullptr;
  MainWindowState& state = *StateOf(window);
  SetIcons(window, instance, state);
  CreateControls(window, state);
  SetKeyFilter(TakeWindowKey);
  OnWindowCreated(state.controls);
  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);
  return window;
}

Controls& ControlsOf(HWND window) { return StateOf(window)->controls; }
