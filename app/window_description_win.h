// The main window as data: its own settings and one entry per control, in stacking order (the
// first entry on top). Creation is one loop over this table, and the tests read the same table.
#pragma once

#include <windows.h>

#include <span>

#include "app/controls.h"

enum class ControlKind { Timer, ComboBox, Label, Edit, Button };
enum class FontChoice { DefaultGui, Bold };
enum class TextEffect { None, Raised };  // raised: a white copy 1 pixel up and to the left

// A colour, or a system colour written as 0x80000000 | COLOR_xxx.
inline constexpr COLORREF kButtonFace = 0x80000000u | COLOR_BTNFACE;
inline COLORREF ResolveColour(COLORREF colour) {
  return (colour & 0x80000000u) ? GetSysColor(static_cast<int>(colour & 0xFF)) : colour;
}

struct ControlDescription {
  ControlId id;
  const char* name;
  ControlKind kind;
  RECT rect;  // left, top, right, bottom in client pixels
  bool visible;
  bool tabStop;
  DWORD style;    // the kind's own style bits; WS_CHILD, WS_CLIPSIBLINGS, WS_TABSTOP are added
  DWORD exStyle;
  const char* text;  // initial text or caption
  std::span<const char* const> items;  // combo box list, in order
  FontChoice font;
  COLORREF textColour;
  COLORREF background;
  TextEffect effect;
};

struct WindowDescription {
  const char* title;
  int outerWidth, outerHeight;
  DWORD style;
  COLORREF background;
  const char* icon;  // icon group resource
  std::span<const ControlDescription> controls;
};

extern const WindowDescription kMainWindow;

const ControlDescription& Describe(ControlId id);

// A combo box is created taller than its stored height: that is its height with the list open.
inline constexpr int kComboCreationHeight = 160;
