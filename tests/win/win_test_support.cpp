#include "tests/win/win_test_support.h"

#include <tlhelp32.h>

#include <cstring>

#include "common/unique_handle_win.h"

std::string ExeFolder() {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, n);
  return folder.substr(0, folder.rfind('\\') + 1);
}

std::string Helper() { return "\"" + ExeFolder() + "console_helper.exe\""; }

int CountHelperProcesses() {
  UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  int count = 0;
  for (BOOL more = Process32First(snapshot.get(), &entry); more;
       more = Process32Next(snapshot.get(), &entry)) {
    if (_stricmp(entry.szExeFile, "console_helper.exe") == 0) ++count;
  }
  return count;
}

int CountOpenHandles() {
  int count = 0;
  for (ULONG_PTR value = 4; value < 0x20000; value += 4) {
    DWORD flags = 0;
    if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
  }
  return count;
}
