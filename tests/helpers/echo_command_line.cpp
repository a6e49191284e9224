// Built as nslookup.exe in a folder of its own: prints exactly what follows the program name on
// the command line it received, between brackets, so a test sees blanks at either end.
// Built with HANG_AFTER_ECHO it then starts console_helper.exe (from its own folder) that never
// ends, and never ends itself: a lookup that waits for ever.
#include <windows.h>

#include <cstdio>
#include <string>

int main() {
  const char* line = GetCommandLineA();
  // The program name ends at the first blank outside quotes.
  bool quoted = false;
  for (; *line && (quoted || *line != ' '); ++line) {
    if (*line == '"') quoted = !quoted;
  }
  if (*line == ' ') ++line;
  std::printf("[%s]", line);
#ifdef HANG_AFTER_ECHO
  std::fflush(stdout);
  char self[MAX_PATH];
  std::string helper(self, GetModuleFileNameA(nullptr, self, MAX_PATH));
  helper = "\"" + helper.substr(0, helper.rfind('\\') + 1) + "console_helper.exe\" forever";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (CreateProcessA(nullptr, helper.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                     &started)) {
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
  }
  for (;;) Sleep(1000);
#endif
  return 0;
}
