#include "app/label_win.h"

#include <string>

#include "common/unique_handle_win.h"

namespace {

class ScopedSelect {
 public:
  ScopedSelect(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
  ~ScopedSelect() { SelectObject(dc_, old_); }
  ScopedSelect(const ScopedSelect&) = delete;
  ScopedSelect& operator=(const ScopedSelect&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

struct LabelData {
  const ControlDescription* look;
  HFONT font;
};

LabelData* DataOf(HWND label) {
  return reinterpret_cast<LabelData*>(GetWindowLongPtrA(label, GWLP_USERDATA));
}

void Paint(HWND label) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(label, &ps);
  RECT client;
  GetClientRect(label, &client);
  int length = GetWindowTextLengthA(label);
  std::string caption(static_cast<size_t>(length) + 1, '\0');
  GetWindowTextA(label, caption.data(), length + 1);
  if (LabelData* data = DataOf(label)) DrawLabel(dc, client, caption.c_str(), data->font, *data->look);
  EndPaint(label, &ps);
}

LRESULT CALLBACK LabelProc(HWND label, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCCREATE:
      SetWindowLongPtrA(label, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
      break;
    case WM_NCDESTROY:
      delete DataOf(label);
      SetWindowLongPtrA(label, GWLP_USERDATA, 0);
      break;
    case WM_SETTEXT: {
      // A written caption always repaints, even when it is the same.
      LRESULT result = DefWindowProcA(label, message, wParam, lParam);
      InvalidateRect(label, nullptr, FALSE);
      return result;
    }
    case WM_GETFONT:
      return DataOf(label) ? reinterpret_cast<LRESULT>(DataOf(label)->font) : 0;
    case WM_ERASEBKGND:
      return 1;  // Paint fills the whole label
    case WM_PAINT:
      Paint(label);
      return 0;
  }
  return DefWindowProcA(label, message, wParam, lParam);
}

}  // namespace

bool RegisterLabelClass(HINSTANCE instance) {
  WNDCLASSA cls{};
  cls.lpfnWndProc = LabelProc;
  cls.hInstance = instance;
  cls.hCursor = LoadCursor(nullptr, IDC_ARROW);
  cls.lpszClassName = kLabelClass;
  return RegisterClassA(&cls) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

void DrawLabel(HDC dc, const RECT& client, const char* caption, HFONT font,
               const ControlDescription& look) {
  UniqueGdiObject background(CreateSolidBrush(ResolveColour(look.background)));
  FillRect(dc, &client, static_cast<HBRUSH>(background.get()));
  if (caption == nullptr || *caption == '\0') return;
  ScopedSelect selected(dc, font);
  SetBkMode(dc, TRANSPARENT);
  constexpr UINT kFormat = DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOCLIP;
  RECT box = client;
  if (look.effect == TextEffect::Raised) {
    SetTextColor(dc, RGB(255, 255, 255));
    DrawTextA(dc, caption, -1, &box, kFormat);
    OffsetRect(&box, 1, 1);
  }
  SetTextColor(dc, ResolveColour(look.textColour));
  DrawTextA(dc, caption, -1, &box, kFormat);
}

HWND CreateLabel(HWND parent, const ControlDescription& entry, HFONT font) {
  const RECT& r = entry.rect;
  auto* data = new LabelData{&entry, font};
  HWND label = CreateWindowExA(entry.exStyle, kLabelClass, entry.text,
                               WS_CHILD | WS_CLIPSIBLINGS | entry.style, r.left, r.top,
                               r.right - r.left, r.bottom - r.top, parent,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(entry.id)),
                               GetModuleHandleA(nullptr), data);
  if (!label) delete data;
  return label;
}
