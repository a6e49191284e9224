#include "app/timer_win.h"

#include "app/timer_rules.h"

namespace {

constexpr UINT_PTR kTimerId = 1;

void SetPeriod(HWND timer, int requested) {
  int current = static_cast<int>(GetWindowLongPtrA(timer, GWLP_USERDATA));
  PeriodChange change = ChangePeriod(current, requested);
  if (!change.restart) return;
  SetWindowLongPtrA(timer, GWLP_USERDATA, change.period);
  KillTimer(timer, kTimerId);
  // The system's timer already keeps at most one tick pending, and a new SetTimer counts a
  // full period from now.
  if (change.period > 0) SetTimer(timer, kTimerId, static_cast<UINT>(change.period), nullptr);
}

LRESULT CALLBACK TimerProc(HWND timer, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kTimerSetPeriodMessage:
      SetPeriod(timer, static_cast<int>(wParam));
      return 0;
    case WM_TIMER:
      if (wParam == kTimerId) {
        SendMessageA(GetParent(timer), kTimerTickMessage, GetDlgCtrlID(timer), 0);
      }
      return 0;
    case WM_DESTROY:
      KillTimer(timer, kTimerId);
      break;
  }
  return DefWindowProcA(timer, message, wParam, lParam);
}

}  // namespace

bool RegisterTimerClass(HINSTANCE instance) {
  WNDCLASSA cls{};
  cls.lpfnWndProc = TimerProc;
  cls.hInstance = instance;
  cls.lpszClassName = kTimerClass;
  return RegisterClassA(&cls) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}
