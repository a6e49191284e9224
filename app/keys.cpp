#include "app/keys.h"

#include <algorithm>
#include <iterator>

KeyAction DecideKey(const KeyPress& key, int focused, bool listOpen) {
  bool noCtrlAlt = !key.control && !key.alt;
  if (key.virtualKey == kVkTab && noCtrlAlt) {
    return key.shift ? KeyAction::FocusPrevious : KeyAction::FocusNext;
  }
  if (!noCtrlAlt || key.shift) return KeyAction::PassOn;
  if (key.virtualKey == kVkEscape) return listOpen ? KeyAction::CloseList : KeyAction::CloseWindow;
  if (key.virtualKey == kVkReturn) return focused == 编辑框2 ? KeyAction::PassOn : KeyAction::Swallow;
  return KeyAction::PassOn;
}

ControlId NextInTabOrder(int focused, bool forward) {
  const auto count = static_cast<int>(std::size(kTabOrder));
  auto at = std::find(std::begin(kTabOrder), std::end(kTabOrder), focused);
  if (at == std::end(kTabOrder)) return forward ? kTabOrder[0] : kTabOrder[count - 1];
  int index = static_cast<int>(at - std::begin(kTabOrder));
  return kTabOrder[(index + (forward ? 1 : count - 1)) % count];
}
