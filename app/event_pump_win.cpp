#include "app/event_pump_win.h"

namespace {

KeyFilter g_keyFilter = nullptr;
bool g_quitRequested = false;
int g_exitCode = 0;

void Deliver(const MSG& message) {
  if (g_keyFilter && g_keyFilter(message)) return;
  TranslateMessage(&message);
  DispatchMessageA(&message);
}

void KeepQuit(const MSG& message) {
  // Not re-posted: a posted quit would wake the lookup's wait at once on every pass.
  g_quitRequested = true;
  g_exitCode = static_cast<int>(message.wParam);
}

}  // namespace

void SetKeyFilter(KeyFilter filter) { g_keyFilter = filter; }

bool QuitRequested() { return g_quitRequested; }

void ForgetQuitRequest() { g_quitRequested = false; }

void PumpPendingEvents() {
  MSG message;
  while (!g_quitRequested && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      KeepQuit(message);
      break;
    }
    Deliver(message);
  }
}

int RunEventLoop() {
  MSG message;
  while (!g_quitRequested) {
    BOOL got = GetMessageA(&message, nullptr, 0, 0);
    if (got == 0) {
      KeepQuit(message);
    } else if (got > 0) {
      Deliver(message);
    } else {
      break;  // -1: no message can be had any more
    }
  }
  return g_exitCode;
}
