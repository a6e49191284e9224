// How writing the period of the timer control changes it.
#pragma once

struct PeriodChange {
  bool restart;  // stop the running timer and, when `period` is positive, start it afresh
  int period;    // the period from now on, never negative
};

// A negative period is taken as 0; writing the period the timer already has changes nothing,
// so a running count is not restarted.
inline PeriodChange ChangePeriod(int current, int requested) {
  int period = requested < 0 ? 0 : requested;
  return {period != current, period};
}
