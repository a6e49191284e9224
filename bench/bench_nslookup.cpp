// The nslookup.exe that the benchmarks put beside dravelo.exe, where cmd.exe finds it before
// anything else. It never touches the network: what it does depends only on the domain asked for
// (nslookup -type=T DOMAIN RESOLVER):
//   exit.bench      prints a few lines, as a short answer would, and exits at once
//   forever.bench   prints one line and never ends (a lookup that hangs)
// Anything else prints one line and exits with code 1.
#include <windows.h>

#include <cstring>
#include <string>

namespace {

void Write(const std::string& text) {
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written,
            nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  std::string domain = argc > 2 ? argv[2] : "";
  std::string resolver = argc > 3 ? argv[3] : "";
  Write("Server:  bench stand-in\r\nAddress:  " + resolver + "\r\n\r\n");
  if (domain == "exit.bench") {
    Write("Name:    exit.bench\r\nAddress:  127.0.0.1\r\n");
    return 0;
  }
  if (domain == "forever.bench") {
    for (;;) Sleep(1000);
  }
  Write("*** bench stand-in: no behaviour for " + domain + "\r\n");
  return 1;
}
