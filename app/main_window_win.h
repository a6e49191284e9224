// MainWindow: the program's one window with its ten controls, built from kMainWindow.
#pragma once

#include <windows.h>

#include "app/controls.h"

inline constexpr char kMainWindowClass[] = "DraveloMainWindow";

// Start-up steps 2 to 6: creates the window hidden at its place, its controls, shows them,
// raises the created event, then shows and activates the window. Null when the window cannot
// be created.
HWND CreateMainWindow(HINSTANCE instance);

// The property operations on the real controls of a main window.
Controls& ControlsOf(HWND window);
