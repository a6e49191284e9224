// The window's controls, named by kind and ordinal, and the property operations through which the
// handlers read and write them. The window implements them on the real controls; tests use a fake.
#pragma once

#include "common/text.h"

// Also the Win32 control ids. Listed in stacking order, the top control first.
enum ControlId : int {
  时钟1 = 100,  // timer: drives the operator label
  组合框2,      // combo box, editable drop-down: record type
  标签4,        // label: status line
  标签3,        // label: caption of the resolver box
  标签2,        // label: caption of the domain box
  标签1,        // label: operator of the chosen resolver
  编辑框2,      // edit box, many lines: lookup output
  按钮1,        // push button: starts a lookup
  组合框1,      // combo box, editable drop-down: resolver address
  编辑框1,      // edit box, one line: domain to look up
};

class Controls {
 public:
  // The whole text of an edit box, or what stands in a combo box's edit field.
  virtual Text ReadText(ControlId box) = 0;
  // Replaces the whole content of an edit box.
  virtual void WriteText(ControlId box, const Text& text) = 0;
  // Replaces a label's caption; the label repaints even when the caption is unchanged.
  virtual void WriteCaption(ControlId label, const Text& caption) = 0;
  // Sets the timer's period in milliseconds; a negative period is taken as 0 (idle).
  virtual void WritePeriod(ControlId timer, int milliseconds) = 0;

 protected:
  ~Controls() = default;
};
