// The built dravelo.exe, out of process: where it runs its children and how it ends.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/controls.h"
#include "app/main_window_win.h"
#include "common/unique_handle_win.h"
#include "lookup/lookup_request.h"
#include "tests/win/win_test_support.h"

namespace {

// A folder of its own holding a copy of the exe, a stand-in nslookup.exe and the console helper.
std::string PrepareFolder(const char* name, const char* standIn) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  std::string folder = std::string(temp) + "dravelo-" + name + "\\";
  CreateDirectoryA(folder.c_str(), nullptr);
  std::string tests = ExeFolder();
  CopyFileA((tests + "..\\app\\dravelo.exe").c_str(), (folder + "dravelo.exe").c_str(), FALSE);
  CopyFileA((tests + standIn).c_str(), (folder + "nslookup.exe").c_str(), FALSE);
  CopyFileA((tests + "console_helper.exe").c_str(), (folder + "console_helper.exe").c_str(), FALSE);
  return folder;
}

struct FindByProcess {
  DWORD pid;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<FindByProcess*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  if (pid != search->pid || lstrcmpA(name, kMainWindowClass) != 0) return TRUE;
  search->found = window;
  return FALSE;
}

std::string TextOf(HWND control) {
  char text[4096] = {};
  SendMessageA(control, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  return text;
}

// dravelo.exe started from C:\, with its main window found once it is visible.
class RunningExe {
 public:
  explicit RunningExe(const std::string& folder) {
    std::string line = "\"" + folder + "dravelo.exe\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, "C:\\", &startup,
                        &started)) {
      return;
    }
    process_.reset(started.hProcess);
    UniqueHandle thread(started.hThread);
    thread_ = started.dwThreadId;
    for (int i = 0; i < 200 && !(window_ && IsWindowVisible(window_)); ++i) {
      FindByProcess search{started.dwProcessId, nullptr};
      EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
      window_ = search.found;
      Sleep(25);
    }
  }
  ~RunningExe() {
    if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
      TerminateProcess(process_.get(), 99);
    }
  }
  HWND window() const { return window_; }
  HWND Control(ControlId id) const { return GetDlgItem(window_, id); }
  int FocusedControl() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(thread_, &info);
    HWND focus = info.hwndFocus;
    while (focus && GetParent(focus) != window_) focus = GetParent(focus);
    return focus ? GetDlgCtrlID(focus) : 0;
  }
  // The exit code, or -1 when the process is still running after `ms`.
  long ExitCodeWithin(DWORD ms) const {
    if (WaitForSingleObject(process_.get(), ms) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(process_.get(), &code);
    return static_cast<long>(code);
  }
  void Click() const { PostMessageA(Control(按钮1), BM_CLICK, 0, 0); }
  bool WaitForStatus(const char* status, DWORD ms) const {
    for (DWORD waited = 0; waited < ms; waited += 20) {
      if (TextOf(Control(标签4)) == status) return true;
      Sleep(20);
    }
    return false;
  }

 private:
  UniqueHandle process_;
  DWORD thread_ = 0;
  HWND window_ = nullptr;
};

TEST(DraveloExe, RunsItsChildrenInTheExeFolder) {
  RunningExe exe(PrepareFolder("folder", "echo\\nslookup.exe"));
  ASSERT_TRUE(exe.window());
  SendMessageA(exe.Control(组合框1), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("127.0.0.1"));
  exe.Click();
  ASSERT_TRUE(exe.WaitForStatus(kFinishedStatus, 5000));
  EXPECT_EQ(TextOf(exe.Control(编辑框2)), "[-type=MX example.com 127.0.0.1]")
      << "the stand-in beside the exe ran, not one from C:\\";
}

TEST(DraveloExe, OperatorLabelFollowsAChosenListItemWithinHalfASecond) {
  RunningExe exe(PrepareFolder("label", "echo\\nslookup.exe"));
  ASSERT_TRUE(exe.window());
  for (int i = 0; i < 50 && TextOf(exe.Control(标签1)) != "国内公共DNS"; ++i) Sleep(20);
  ASSERT_EQ(TextOf(exe.Control(标签1)), "国内公共DNS");
  SendMessageA(exe.Control(组合框1), CB_SETCURSEL, 3, 0);  // "119.29.29.29"
  DWORD chosen = GetTickCount();
  while (TextOf(exe.Control(标签1)) != "腾讯DNS" && GetTickCount() - chosen < 2000) Sleep(5);
  EXPECT_EQ(TextOf(exe.Control(标签1)), "腾讯DNS");
  EXPECT_LE(GetTickCount() - chosen, 650u) << "the next tick";
  PostMessageA(exe.window(), WM_CLOSE, 0, 0);
  EXPECT_EQ(exe.ExitCodeWithin(3000), 0) << "and with the window, its timer is gone";
}

TEST(DraveloExe, EscFromTheOutputBoxEndsWithExitCodeZero) {
  RunningExe exe(PrepareFolder("esc", "echo\\nslookup.exe"));
  ASSERT_TRUE(exe.window());
  for (int i = 0; i < 3; ++i) PostMessageA(exe.Control(编辑框1), WM_KEYDOWN, VK_TAB, 1);
  for (int i = 0; i < 50 && exe.FocusedControl() != 编辑框2; ++i) Sleep(20);
  ASSERT_EQ(exe.FocusedControl(), 编辑框2);
  PostMessageA(exe.Control(编辑框2), WM_KEYDOWN, VK_ESCAPE, 1);
  EXPECT_EQ(exe.ExitCodeWithin(3000), 0);
}

TEST(DraveloExe, CloseMessageEndsWithExitCodeZero) {
  RunningExe exe(PrepareFolder("close", "echo\\nslookup.exe"));
  ASSERT_TRUE(exe.window());
  PostMessageA(exe.window(), WM_CLOSE, 0, 0);
  EXPECT_EQ(exe.ExitCodeWithin(3000), 0);
}

TEST(DraveloExe, ClosingDuringALookupThatNeverEndsEndsEverythingWithinASecond) {
  RunningExe exe(PrepareFolder("hang", "hang\\nslookup.exe"));
  ASSERT_TRUE(exe.window());
  SendMessageA(exe.Control(组合框1), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("127.0.0.1"));
  exe.Click();
  for (int i = 0; i < 250 && CountHelperProcesses() == 0; ++i) Sleep(20);
  ASSERT_EQ(CountHelperProcesses(), 1) << "the stand-in's own child is running";
  exe.Click();  // a nested lookup too
  Sleep(300);
  PostMessageA(exe.window(), WM_CLOSE, 0, 0);
  EXPECT_EQ(exe.ExitCodeWithin(1000), 0);
  for (int i = 0; i < 50 && CountHelperProcesses() > 0; ++i) Sleep(20);
  EXPECT_EQ(CountHelperProcesses(), 0) << "no grandchild survives";
}

}  // namespace
