// Prints the texts of the main window's input boxes, one "name=text" line each, for scripts
// that drive the window from outside Wine.
#include <windows.h>

#include <cstdio>

#include "app/controls.h"

int main() {
  HWND window = FindWindowA("DraveloMainWindow", nullptr);
  if (!window) return 1;
  const struct {
    ControlId id;
    const char* name;
  } boxes[] = {{编辑框1, "domain"}, {组合框1, "resolver"}, {编辑框2, "output"}, {组合框2, "type"}};
  for (const auto& box : boxes) {
    char text[256] = {};
    SendMessageA(GetDlgItem(window, box.id), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    std::printf("%s=%s\n", box.name, text);
  }
  return 0;
}
