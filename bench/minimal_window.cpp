// The start-up reference: the least a Win32 program needs to show a window the size of the main
// window (502 x 421), then run until it is closed.
#include <windows.h>

namespace {

LRESULT CALLBACK MinimalProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  WNDCLASSA cls{};
  cls.lpfnWndProc = MinimalProc;
  cls.hInstance = instance;
  cls.hCursor = LoadCursor(nullptr, IDC_ARROW);
  cls.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  cls.lpszClassName = "DraveloBenchMinimal";
  if (!RegisterClassA(&cls)) return 1;
  int left = (GetSystemMetrics(SM_CXSCREEN) - 502) / 2, top = (GetSystemMetrics(SM_CYSCREEN) - 421) / 2;
  HWND window = CreateWindowExA(0, cls.lpszClassName, "Minimal", WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                                left, top, 502, 421, nullptr, nullptr, instance, nullptr);
  if (!window) return 1;
  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}
