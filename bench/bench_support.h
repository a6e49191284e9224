// What every benchmark program needs: a clock, percentiles, key=value output that bench/run
// turns into the table, and counts of handles, memory and processes.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "common/unique_handle_win.h"

// CreateFile, CreateToolhelp32Snapshot and FindFirstFile report failure as INVALID_HANDLE_VALUE.
struct FileHandleTraits {
  using Value = HANDLE;
  static Value Empty() { return INVALID_HANDLE_VALUE; }
  static void Close(Value h) { CloseHandle(h); }
};
using UniqueFile = UniqueOwner<FileHandleTraits>;

struct FindHandleTraits {
  using Value = HANDLE;
  static Value Empty() { return INVALID_HANDLE_VALUE; }
  static void Close(Value h) { FindClose(h); }
};
using UniqueFind = UniqueOwner<FindHandleTraits>;

// QueryPerformanceCounter ticks. The counter is one for the whole system (under Wine too), so
// a value written by one process can be compared with one read in another.
std::int64_t NowTicks();
double TicksToMs(std::int64_t ticks);

// Nearest-rank percentile, `p` in 0..100; 0 for no samples.
double Percentile(std::vector<double> samples, double p);
double Median(const std::vector<double>& samples);

// One result line on standard output: "key=value".
void Report(const std::string& key, double value);
void Report(const std::string& key, const std::string& value);
// A progress note on standard error.
void Note(const std::string& text);

// The folder of the running exe, with a trailing backslash, and a path in double quotes.
std::string ExeFolder();
std::string Quoted(const std::string& path);

// The handles this process has open. Wine's GetProcessHandleCount answers 0, so every possible
// handle value is asked whether it is open.
std::vector<ULONG_PTR> OpenHandleValues();
int CountOpenHandles();
// What kind of object a handle of this process refers to ("Event", "Key", ...).
std::string HandleTypeName(ULONG_PTR value);
// This process's private memory: the committed private regions, summed over the address space.
// (Wine's PROCESS_MEMORY_COUNTERS_EX::PrivateUsage is always 0, so it cannot be used.)
std::uint64_t PrivateBytes();
// How many live processes have this exe name (case-insensitive), by a Toolhelp snapshot.
int CountProcessesNamed(const char* exeName);

// The whole content of a small file, read to its end (/proc files report size 0).
bool ReadSmallFile(const std::string& path, std::string& content);

// CPU seconds (user + system) of a Unix process, from /proc/<pid>/stat through Wine's Z: drive.
// `ticksPerSecond` is the kernel's USER_HZ (getconf CLK_TCK). Negative when it cannot be read.
double UnixProcessCpuSeconds(unsigned long pid, double ticksPerSecond);
// CPU seconds (user + kernel) of this process.
double OwnCpuSeconds();

// Reads a child's pipe until every write end is closed, then waits for the child: a plain
// blocking reader, with 64 KB reads the fastest way to drain a pipe. `firstByte` gets the time
// of the first byte (or the start time when nothing came).
struct DrainResult {
  std::uint64_t bytes = 0;
  std::string text;  // the first bytes only, for checks
  std::int64_t firstByte = 0;
  bool started = false;
};
inline constexpr std::size_t kDrainChunk = 64 * 1024;
DrainResult RunAndDrain(const std::string& commandLine, std::size_t chunk = kDrainChunk);
