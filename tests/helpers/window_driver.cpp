// Drives the running main window from outside, as the scripts need it:
//   window_driver                      prints "name=text" for each input box and the output
//   window_driver set NAME=TEXT ...    types TEXT into a box (domain, resolver)
//   window_driver pick type=ITEM       chooses ITEM from the record type's list
//   window_driver lookup               clicks 按钮1, waits for the finished status, prints the output
//                                      (and on stderr the time from the click to the output shown)
//   window_driver close                closes the window as its close button does
// Exit code 1 when there is no window, 2 when a lookup does not finish within 20 s.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "app/controls.h"
#include "lookup/lookup_request.h"

namespace {

struct Box {
  ControlId id;
  const char* name;
};
constexpr Box kBoxes[] = {
    {编辑框1, "domain"}, {组合框1, "resolver"}, {组合框2, "type"}, {编辑框2, "output"}};

std::string TextOf(HWND control) {
  std::string text(1 << 20, '\0');
  text.resize(static_cast<size_t>(
      SendMessageA(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
  return text;
}

HWND BoxNamed(HWND window, const std::string& name) {
  for (const Box& box : kBoxes) {
    if (name == box.name) return GetDlgItem(window, box.id);
  }
  return nullptr;
}

int Lookup(HWND window) {
  HWND status = GetDlgItem(window, 标签4);
  SendMessageA(status, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
  LARGE_INTEGER frequency, clicked, shown;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&clicked);
  PostMessageA(GetDlgItem(window, 按钮1), BM_CLICK, 0, 0);
  for (int i = 0; i < 20000 && TextOf(status) != kFinishedStatus; ++i) Sleep(1);
  QueryPerformanceCounter(&shown);
  if (TextOf(status) != kFinishedStatus) return 2;
  std::fprintf(stderr, "lookup_ms=%.1f\n",
               1000.0 * static_cast<double>(shown.QuadPart - clicked.QuadPart) /
                   static_cast<double>(frequency.QuadPart));
  std::string output = TextOf(GetDlgItem(window, 编辑框2));
  std::fwrite(output.data(), 1, output.size(), stdout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  HWND window = FindWindowA("DraveloMainWindow", nullptr);
  if (!window) return 1;
  std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "lookup") return Lookup(window);
  if (mode == "close") return PostMessageA(window, WM_CLOSE, 0, 0) ? 0 : 1;
  for (int i = 2; i < argc; ++i) {
    std::string pair = argv[i];
    size_t eq = pair.find('=');
    HWND box = BoxNamed(window, pair.substr(0, eq));
    if (eq == std::string::npos || !box) return 1;
    std::string text = pair.substr(eq + 1);
    if (mode == "pick") {
      SendMessageA(box, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str()));
    } else {
      SendMessageA(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
  }
  if (mode.empty()) {
    for (const Box& box : kBoxes) std::printf("%s=%s\n", box.name, TextOf(GetDlgItem(window, box.id)).c_str());
  }
  return 0;
}
