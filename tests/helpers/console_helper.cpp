// A console program that behaves in one known way, for the tests and the benchmarks:
//   emit N [zeros]   writes N bytes of a repeating pattern to stdout (with zeros: every 7th is 0)
//   order            writes to stdout and stderr by turns, in a known order
//   idle MS          writes nothing and exits after MS milliseconds
//   slow N MS        writes N short lines, one every MS milliseconds
//   exit             exits at once
//   forever [spawn]  never ends; with spawn it first starts one more of itself that never ends
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void Write(HANDLE out, const char* bytes, DWORD size) {
  DWORD written = 0;
  while (size > 0 && WriteFile(out, bytes, size, &written, nullptr) && written > 0) {
    bytes += written;
    size -= written;
  }
}

int Emit(unsigned long total, bool zeros) {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  char block[4096];
  for (unsigned long done = 0; done < total;) {
    DWORD n = static_cast<DWORD>(total - done < sizeof block ? total - done : sizeof block);
    for (DWORD i = 0; i < n; ++i) {
      unsigned long at = done + i;
      block[i] = zeros && at % 7 == 6 ? '\0' : static_cast<char>('a' + at % 26);
    }
    Write(out, block, n);
    done += n;
  }
  return 0;
}

int Order() {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE), err = GetStdHandle(STD_ERROR_HANDLE);
  for (int i = 1; i <= 3; ++i) {
    std::string o = "out" + std::to_string(i) + "\r\n", e = "err" + std::to_string(i) + "\r\n";
    Write(out, o.data(), static_cast<DWORD>(o.size()));
    Sleep(20);  // the order must not depend on two writes racing into the pipe
    Write(err, e.data(), static_cast<DWORD>(e.size()));
    Sleep(20);
  }
  return 0;
}

int Slow(int lines, int ms) {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  for (int i = 0; i < lines; ++i) {
    std::string line = "line " + std::to_string(i) + "\r\n";
    Write(out, line.data(), static_cast<DWORD>(line.size()));
    Sleep(ms);
  }
  return 0;
}

int Forever(bool spawn) {
  if (spawn) {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string line = std::string("\"") + self + "\" forever";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                       &pi)) {
      CloseHandle(pi.hThread);
      CloseHandle(pi.hProcess);
    }
  }
  for (;;) Sleep(1000);
}

}  // namespace

int main(int argc, char** argv) {
  std::string mode = argc > 1 ? argv[1] : "";
  int a = argc > 2 ? std::atoi(argv[2]) : 0;
  int b = argc > 3 ? std::atoi(argv[3]) : 0;
  if (mode == "emit") return Emit(std::strtoul(argv[2], nullptr, 10), argc > 3);
  if (mode == "order") return Order();
  if (mode == "idle") return Sleep(a), 0;
  if (mode == "slow") return Slow(a, b);
  if (mode == "exit") return 0;
  if (mode == "forever") return Forever(argc > 2);
  std::fprintf(stderr, "console_helper: unknown mode\n");
  return 2;
}
