// The event loop, and the pump that the lookup's wait calls on every pass. Both let the window
// see its keys first.
#pragma once

#include <windows.h>

// Offers a key message to the window before its control gets it. True when the window took it.
// Set by the main window; null means no window takes keys.
using KeyFilter = bool (*)(const MSG& message);
void SetKeyFilter(KeyFilter filter);

// Dispatches every waiting event and returns without waiting for more. A quit request stops it;
// the request is kept for the event loop, which ends at it.
void PumpPendingEvents();

// Runs until a quit request, then returns its exit code.
int RunEventLoop();

// Whether a quit request has been seen (and is kept for the event loop).
bool QuitRequested();
// Drops a kept quit request, for a process that opens a window again (the tests do).
void ForgetQuitRequest();
