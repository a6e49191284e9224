// The timer control: a hidden child window whose one setting is its period. Each tick reaches
// the parent as kTimerTickMessage, with the timer's control id in wParam.
#pragma once

#include <windows.h>

inline constexpr char kTimerClass[] = "DraveloTimer";
inline constexpr UINT kTimerSetPeriodMessage = WM_APP + 1;  // wParam: the period (int)
inline constexpr UINT kTimerTickMessage = WM_APP + 2;

bool RegisterTimerClass(HINSTANCE instance);
