// The keys that the window takes before its controls see them, and the fixed tab order.
#pragma once

#include "app/controls.h"

enum class KeyAction {
  PassOn,         // the focused control gets the key
  FocusNext,      // Tab
  FocusPrevious,  // Shift+Tab
  CloseWindow,    // Esc
  CloseList,      // Esc while a combo box's list is dropped down
  Swallow,        // Enter outside 编辑框2: there is no default button, so nothing happens
};

struct KeyPress {
  int virtualKey;
  bool shift, control, alt;
};

inline constexpr int kVkTab = 0x09, kVkReturn = 0x0D, kVkEscape = 0x1B;

inline constexpr ControlId kTabOrder[] = {编辑框1, 组合框1, 按钮1, 编辑框2, 组合框2};

// `focused` is the control that has the focus (a combo box's edit field counts as the combo
// box), or 0 when none of them has it.
KeyAction DecideKey(const KeyPress& key, int focused, bool listOpen);

// The next (or previous) control of the tab order, wrapping around. From outside the tab order
// forward goes to the first control and backward to the last.
ControlId NextInTabOrder(int focused, bool forward);
