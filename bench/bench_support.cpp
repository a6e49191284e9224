#include "bench/bench_support.h"

#include <tlhelp32.h>
#include <winternl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/unique_handle_win.h"

namespace {

std::int64_t QueryFrequency() {
  LARGE_INTEGER f;
  QueryPerformanceFrequency(&f);
  return static_cast<std::int64_t>(f.QuadPart);
}

// Set before main runs. A function-local static would be guarded, and the guard's first use
// makes the threading runtime open a thread handle and an event, which the soak would count.
const std::int64_t g_frequency = QueryFrequency();

double FileTimeSeconds(const FILETIME& t) {
  ULARGE_INTEGER v;
  v.LowPart = t.dwLowDateTime;
  v.HighPart = t.dwHighDateTime;
  return static_cast<double>(v.QuadPart) / 1e7;  // FILETIME counts 100 ns units
}

}  // namespace

bool ReadSmallFile(const std::string& path, std::string& content) {
  UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr));
  content.clear();
  if (!file) return false;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) {
    content.append(buffer, got);
  }
  return !content.empty();
}

std::int64_t NowTicks() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<std::int64_t>(now.QuadPart);
}

double TicksToMs(std::int64_t ticks) {
  return static_cast<double>(ticks) * 1000.0 / static_cast<double>(g_frequency);
}

double Percentile(std::vector<double> samples, double p) {
  if (samples.empty()) return 0;
  std::sort(samples.begin(), samples.end());
  auto rank = static_cast<std::size_t>(std::ceil(p / 100.0 * static_cast<double>(samples.size())));
  return samples[std::clamp<std::size_t>(rank, 1, samples.size()) - 1];
}

double Median(const std::vector<double>& samples) { return Percentile(samples, 50); }

void Report(const std::string& key, double value) {
  std::printf("%s=%.6g\n", key.c_str(), value);
  std::fflush(stdout);
}

void Report(const std::string& key, const std::string& value) {
  std::printf("%s=%s\n", key.c_str(), value.c_str());
  std::fflush(stdout);
}

void Note(const std::string& text) {
  std::fprintf(stderr, "  %s\n", text.c_str());
  std::fflush(stderr);
}

std::string ExeFolder() {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, n);
  return folder.substr(0, folder.rfind('\\') + 1);
}

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

std::vector<ULONG_PTR> OpenHandleValues() {
  std::vector<ULONG_PTR> open;
  for (ULONG_PTR value = 4; value < 0x20000; value += 4) {
    DWORD flags = 0;
    if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) open.push_back(value);
  }
  return open;
}

int CountOpenHandles() { return static_cast<int>(OpenHandleValues().size()); }

std::string HandleTypeName(ULONG_PTR value) {
  alignas(PUBLIC_OBJECT_TYPE_INFORMATION) unsigned char buffer[1024] = {};
  ULONG length = 0;
  if (NtQueryObject(reinterpret_cast<HANDLE>(value), ObjectTypeInformation, buffer, sizeof buffer,
                    &length) < 0) {
    return "?";
  }
  const auto* type = reinterpret_cast<const PUBLIC_OBJECT_TYPE_INFORMATION*>(buffer);
  std::string name;
  for (USHORT i = 0; i < type->TypeName.Length / sizeof(WCHAR); ++i) {
    name.push_back(static_cast<char>(type->TypeName.Buffer[i]));
  }
  return name;
}

std::uint64_t PrivateBytes() {
  std::uint64_t total = 0;
  MEMORY_BASIC_INFORMATION region{};
  for (const char* at = nullptr; VirtualQuery(at, &region, sizeof region) == sizeof region;
       at = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
  }
  return total;
}

int CountProcessesNamed(const char* exeName) {
  UniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return -1;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  int count = 0;
  for (BOOL more = Process32First(snapshot.get(), &entry); more;
       more = Process32Next(snapshot.get(), &entry)) {
    if (_stricmp(entry.szExeFile, exeName) == 0) ++count;
  }
  return count;
}

double UnixProcessCpuSeconds(unsigned long pid, double ticksPerSecond) {
  std::string stat;
  if (!ReadSmallFile("Z:\\proc\\" + std::to_string(pid) + "\\stat", stat)) return -1;
  // The name in parentheses may hold spaces; the fields after it are plain numbers. utime and
  // stime are the 12th and 13th fields after the name.
  std::size_t close = stat.rfind(')');
  if (close == std::string::npos) return -1;
  const char* at = stat.c_str() + close + 1;
  double ticks = 0;
  for (int field = 1; field <= 13; ++field) {
    char* end = nullptr;
    while (*at == ' ') ++at;
    if (field == 1) {
      ++at;  // the state letter
      continue;
    }
    double value = std::strtod(at, &end);
    if (end == at) return -1;
    if (field >= 12) ticks += value;
    at = end;
  }
  return ticks / ticksPerSecond;
}

double OwnCpuSeconds() {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return -1;
  return FileTimeSeconds(kernel) + FileTimeSeconds(user);
}

DrainResult RunAndDrain(const std::string& commandLine, std::size_t chunk) {
  DrainResult result;
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  UniqueHandle readEnd, writeEnd;
  if (!CreatePipe(readEnd.put(), writeEnd.put(), &inheritable, 0)) return result;
  SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
  startup.wShowWindow = SW_HIDE;
  startup.hStdOutput = writeEnd.get();
  startup.hStdError = writeEnd.get();
  std::string line = commandLine;
  PROCESS_INFORMATION started{};
  result.firstByte = NowTicks();
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                      &started)) {
    return result;
  }
  UniqueHandle process(started.hProcess), thread(started.hThread);
  writeEnd.reset();
  result.started = true;
  std::vector<char> buffer(chunk);
  DWORD got = 0;
  while (ReadFile(readEnd.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) &&
         got > 0) {
    if (result.bytes == 0) result.firstByte = NowTicks();
    if (result.text.size() < 256) result.text.append(buffer.data(), std::min<DWORD>(got, 256));
    result.bytes += got;
  }
  WaitForSingleObject(process.get(), INFINITE);
  return result;
}
