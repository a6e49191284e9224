// Drives the real dravelo.exe from outside, as a user's other programs would see it:
//   remote_bench startup WORKDIR RUNS                 launch to visible window, against a
//                                                     minimal window program
//   remote_bench respond WORKDIR SAMPLES SERVER_PID CLK_TCK
//                                                     message round trips with and without a
//                                                     lookup waiting, and the CPU it uses meanwhile
//   remote_bench close WORKDIR                        close during a nested lookup
// WORKDIR holds a copy of dravelo.exe and the bench stand-in nslookup.exe beside it.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/controls.h"
#include "bench/bench_support.h"
#include "common/unique_handle_win.h"

namespace {

constexpr char kAppClass[] = "DraveloMainWindow", kAppTitle[] = "Dravelo by:Tovric";
constexpr char kMinimalClass[] = "DraveloBenchMinimal", kMinimalTitle[] = "Minimal";
constexpr char kStandIn[] = "nslookup.exe";

struct Launched {
  UniqueHandle process;
  HWND window = nullptr;
  double msToCreated = 0;  // the window exists, maybe still hidden
  double msToVisible = 0;
};

// Starts the program and waits until its window is visible; no window when that took too long.
Launched Launch(const std::string& exe, const std::string& folder, const char* cls,
                const char* title) {
  Launched app;
  std::string line = Quoted(exe);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  std::int64_t start = NowTicks();
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                      &startup, &started)) {
    return app;
  }
  app.process.reset(started.hProcess);
  UniqueHandle thread(started.hThread);
  while (TicksToMs(NowTicks() - start) < 10000) {
    HWND window = FindWindowA(cls, title);
    if (window && app.msToCreated == 0) app.msToCreated = TicksToMs(NowTicks() - start);
    if (window && IsWindowVisible(window)) {
      app.msToVisible = TicksToMs(NowTicks() - start);
      app.window = window;
      break;
    }
    if (WaitForSingleObject(app.process.get(), 1) == WAIT_OBJECT_0) break;
  }
  return app;
}

// Asks the window to close and waits for the process; its exit code, or -1 when it did not end.
long long Close(Launched& app, DWORD timeoutMs) {
  PostMessageA(app.window, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(app.process.get(), timeoutMs) != WAIT_OBJECT_0) {
    TerminateProcess(app.process.get(), 99);
    WaitForSingleObject(app.process.get(), 5000);
    return -1;
  }
  DWORD code = 0;
  GetExitCodeProcess(app.process.get(), &code);
  return code;
}

std::string AppExe(const std::string& folder) { return folder + "\\dravelo.exe"; }

// ---- start-up

// One launch to a visible window and its close; 0 when no window showed.
double TimeToVisible(const std::string& exe, const std::string& folder, const char* cls,
                     const char* title, double* created = nullptr) {
  Launched app = Launch(exe, folder, cls, title);
  if (!app.window) return 0;
  Close(app, 5000);
  if (created) *created = app.msToCreated;
  return app.msToVisible;
}

std::string Joined(const std::vector<double>& values) {
  std::string text;
  for (double v : values) text += (text.empty() ? "" : " ") + std::to_string(static_cast<int>(v));
  return text;
}

int Startup(const std::string& folder, int runs) {
  std::string minimal = ExeFolder() + "minimal_window.exe";
  std::vector<double> app, reference, created;
  for (int i = -1; i < runs; ++i) {  // round -1 warms the file cache and is not counted
    double a = 0, m = 0, c = 0;
    // Each goes first in every other round, so neither always follows the other's exit.
    if (i % 2 == 0) m = TimeToVisible(minimal, folder, kMinimalClass, kMinimalTitle);
    a = TimeToVisible(AppExe(folder), folder, kAppClass, kAppTitle, &c);
    if (i % 2 != 0) m = TimeToVisible(minimal, folder, kMinimalClass, kMinimalTitle);
    if (a == 0 || m == 0) return Note("startup: a program showed no window"), 1;
    if (i < 0) continue;
    app.push_back(a);
    reference.push_back(m);
    created.push_back(c);
  }
  Report("startup.tool_ms", Median(app));
  Report("startup.ref_ms", Median(reference));
  Report("startup.tool_created_ms", Median(created));
  Report("startup.tool_samples", Joined(app));
  Report("startup.ref_samples", Joined(reference));
  Report("startup.n", runs);
  return 0;
}

// ---- driving a lookup from outside

void SetBox(HWND window, ControlId id, const char* text) {
  SendMessageA(GetDlgItem(window, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

std::string BoxText(HWND window, ControlId id) {
  char text[256] = {};
  SendMessageA(GetDlgItem(window, id), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  return text;
}

// Sets the lookup up against 127.0.0.1 only; false when the resolver box does not read back so.
bool PrepareLookup(HWND window, const char* domain) {
  SetBox(window, 组合框1, "127.0.0.1");
  SetBox(window, 组合框2, "A");
  SetBox(window, 编辑框1, domain);
  return BoxText(window, 组合框1) == "127.0.0.1" && BoxText(window, 编辑框1) == domain;
}

// Posted, not sent: the click runs the lookup inside the window's own thread and returns to
// its event loop only when the lookup ends.
void PostClick(HWND window) {
  PostMessageA(window, WM_COMMAND, MAKEWPARAM(按钮1, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(window, 按钮1)));
}

bool WaitForStandIns(int count, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  while (CountProcessesNamed(kStandIn) < count) {
    if (GetTickCount() - start > timeoutMs) return false;
    Sleep(10);
  }
  return true;
}

int StandInsLeftAfter(DWORD ms) {
  Sleep(ms);
  return CountProcessesNamed(kStandIn);
}

// ---- responsiveness

struct RoundTrips {
  std::vector<double> ms;
  int timeouts = 0;
};

RoundTrips Sample(HWND window, int samples) {
  RoundTrips trips;
  for (int i = 0; i < samples; ++i) {
    DWORD_PTR result = 0;
    std::int64_t start = NowTicks();
    if (!SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &result)) ++trips.timeouts;
    trips.ms.push_back(TicksToMs(NowTicks() - start));
    Sleep(static_cast<DWORD>(i % 7));  // spread the samples over the phases of the window's wait
  }
  return trips;
}

void ReportTrips(const std::string& key, const RoundTrips& trips) {
  Report(key + ".p50_ms", Percentile(trips.ms, 50));
  Report(key + ".p99_ms", Percentile(trips.ms, 99));
  Report(key + ".max_ms", Percentile(trips.ms, 100));
  Report(key + ".timeouts", trips.timeouts);
  Report(key + ".n", static_cast<double>(trips.ms.size()));
}

// The Unix process of the dravelo.exe under this Wine prefix: Wine names each process after its
// exe, and passes WINEPREFIX on in the environment. 0 when there is none.
unsigned long FindUnixProcess(const char* comm) {
  char prefix[MAX_PATH] = {};
  GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof prefix);
  std::string wanted = std::string("WINEPREFIX=") + prefix;
  wanted.push_back('\0');
  WIN32_FIND_DATAA found;
  UniqueFind search(FindFirstFileA("Z:\\proc\\*", &found));
  if (!search) return 0;
  unsigned long pid = 0;
  do {
    unsigned long candidate = std::strtoul(found.cFileName, nullptr, 10);
    if (candidate == 0) continue;
    std::string base = "Z:\\proc\\" + std::to_string(candidate) + "\\";
    std::string name, environment;
    if (!ReadSmallFile(base + "comm", name) || name.rfind(comm, 0) != 0) continue;
    if (ReadSmallFile(base + "environ", environment) &&
        environment.find(wanted) != std::string::npos) {
      pid = candidate;
    }
  } while (!pid && FindNextFileA(search.get(), &found));
  return pid;
}

// Percent of one processor that the window's process plus wineserver use over `ms`.
double CpuOver(unsigned long appPid, unsigned long serverPid, double hz, DWORD ms) {
  double before = UnixProcessCpuSeconds(appPid, hz) + UnixProcessCpuSeconds(serverPid, hz);
  std::int64_t start = NowTicks();
  Sleep(ms);
  double after = UnixProcessCpuSeconds(appPid, hz) + UnixProcessCpuSeconds(serverPid, hz);
  return 100 * (after - before) / (TicksToMs(NowTicks() - start) / 1000.0);
}

int Respond(const std::string& folder, int samples, unsigned long serverPid, double hz) {
  Launched app = Launch(AppExe(folder), folder, kAppClass, kAppTitle);
  if (!app.window) return Note("respond: dravelo.exe showed no window"), 1;
  if (!PrepareLookup(app.window, "forever.bench")) {
    Close(app, 5000);
    return Note("respond: the boxes did not take the lookup's texts"), 1;
  }
  Sleep(300);
  unsigned long appPid = FindUnixProcess("dravelo.exe");
  Note("respond: round trips with the window idle");
  ReportTrips("respond.idle", Sample(app.window, samples));
  if (appPid) Report("window_cpu.idle_pct", CpuOver(appPid, serverPid, hz, 3000));
  PostClick(app.window);
  if (!WaitForStandIns(1, 5000)) {
    Close(app, 5000);
    return Note("respond: the lookup did not start its stand-in"), 1;
  }
  Sleep(200);
  Note("respond: round trips while a lookup waits on a child that never ends");
  ReportTrips("respond.lookup", Sample(app.window, samples));
  if (appPid) Report("window_cpu.lookup_pct", CpuOver(appPid, serverPid, hz, 3000));
  Report("respond.exit_code", static_cast<double>(Close(app, 2000)));
  Report("respond.standins_left", StandInsLeftAfter(500));
  return 0;
}

// ---- close during a nested lookup

int CloseNested(const std::string& folder) {
  Launched app = Launch(AppExe(folder), folder, kAppClass, kAppTitle);
  if (!app.window) return Note("close: dravelo.exe showed no window"), 1;
  if (!PrepareLookup(app.window, "forever.bench")) {
    Close(app, 5000);
    return Note("close: the boxes did not take the lookup's texts"), 1;
  }
  PostClick(app.window);
  bool first = WaitForStandIns(1, 5000);
  PostClick(app.window);  // dispatched by the first lookup's wait: a lookup inside a lookup
  bool second = first && WaitForStandIns(2, 5000);
  Report("close.standins_running", CountProcessesNamed(kStandIn));
  std::int64_t start = NowTicks();
  long long code = Close(app, 2000);
  Report("close.exit_ms", TicksToMs(NowTicks() - start));
  Report("close.exit_code", static_cast<double>(code));
  Report("close.nested", second ? 1 : 0);
  Report("close.standins_left_at_exit", CountProcessesNamed(kStandIn));
  Report("close.standins_left_500ms", StandInsLeftAfter(500));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "startup" && argc > 3) return Startup(argv[2], std::atoi(argv[3]));
  if (mode == "respond" && argc > 5) {
    return Respond(argv[2], std::atoi(argv[3]), std::strtoul(argv[4], nullptr, 10),
                   std::atof(argv[5]));
  }
  if (mode == "close" && argc > 2) return CloseNested(argv[2]);
  Note("usage: remote_bench startup WORKDIR RUNS | respond WORKDIR SAMPLES SERVER_PID CLK_TCK | "
       "close WORKDIR");
  return 2;
}
