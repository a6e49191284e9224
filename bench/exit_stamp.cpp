// A child for the end-latency benchmark: writes the system-wide performance counter as
// "qpc=N" and exits at once, so the parent can tell how long after the child's end it noticed.
#include <windows.h>

#include <cstdio>

int main() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  char line[64];
  int length = std::snprintf(line, sizeof line, "qpc=%lld\r\n", static_cast<long long>(now.QuadPart));
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line, static_cast<DWORD>(length), &written, nullptr);
  return 0;
}
