// Start-up: the working directory becomes the exe's folder, the window is built, and the event
// loop runs until the window has been closed.
#include <windows.h>

#include <string>

#include "app/event_pump_win.h"
#include "app/main_window_win.h"

namespace {

// Children started later inherit this directory.
void EnterExeFolder() {
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, length);
  folder.resize(folder.rfind('\\') + 1);
  SetCurrentDirectoryA(folder.c_str());
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  EnterExeFolder();
  if (!CreateMainWindow(instance)) {
    MessageBoxA(nullptr, "无法创建程序窗口，程序将退出。", "Dravelo", MB_OK | MB_ICONERROR);
    return -1;
  }
  return RunEventLoop();
}
