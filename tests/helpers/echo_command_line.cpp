// Built as nslookup.exe in a folder of its own: prints exactly what follows the program name on
// the command line it received, between brackets, so a test sees blanks at either end.
#include <windows.h>

#include <cstdio>

int main() {
  const char* line = GetCommandLineA();
  // The program name ends at the first blank outside quotes.
  bool quoted = false;
  for (; *line && (quoted || *line != ' '); ++line) {
    if (*line == '"') quoted = !quoted;
  }
  if (*line == ' ') ++line;
  std::printf("[%s]", line);
  return 0;
}
