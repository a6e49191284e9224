// Labels that paint themselves: a filled background and a one-line caption, optionally raised.
#pragma once

#include <windows.h>

#include "app/window_description_win.h"

inline constexpr char kLabelClass[] = "DraveloLabel";

bool RegisterLabelClass(HINSTANCE instance);

// Paints a label into any DC: the screen, or a bitmap in a test.
void DrawLabel(HDC dc, const RECT& client, const char* caption, HFONT font,
               const ControlDescription& look);

// The window procedure reads the label's look from the entry it was created with.
HWND CreateLabel(HWND parent, const ControlDescription& entry, HFONT font);
