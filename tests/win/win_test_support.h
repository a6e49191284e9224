// Small aids shared by the tests that run under Wine.
#pragma once

#include <windows.h>

#include <string>

// The folder that holds the running test exe, with a trailing backslash.
std::string ExeFolder();
// The quoted path of console_helper.exe, which is built beside the tests.
std::string Helper();
// How many helper processes (console_helper.exe) are alive now.
int CountHelperProcesses();
// How many handles this process has open. Wine's GetProcessHandleCount answers 0, so this asks
// every possible handle value whether it is open.
int CountOpenHandles();
