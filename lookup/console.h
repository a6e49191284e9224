// What running one console command needs from the platform: start a child whose standard output
// and standard error write into one pipe, poll that pipe, and let window events run meanwhile.
// console_win.cpp provides it with the real APIs; the native tests script it.
#pragma once

#include <cstdint>
#include <memory>

#include "common/text.h"

// The platform identifiers that GetVersionExA reports in dwPlatformId.
inline constexpr std::uint32_t kPlatformWin32s = 0;   // VER_PLATFORM_WIN32s
inline constexpr std::uint32_t kPlatformWindows = 1;  // VER_PLATFORM_WIN32_WINDOWS (9x)
inline constexpr std::uint32_t kPlatformNt = 2;       // VER_PLATFORM_WIN32_NT

// One started child and the read end of its pipe. Destroying it releases both.
class ChildProcess {
 public:
  virtual ~ChildProcess() = default;
  // Bytes waiting in the pipe, without removing them; 0 when the query fails.
  virtual std::uint32_t BytesWaiting() = 0;
  // Removes up to `capacity` waiting bytes into `buffer`; the number removed, 0 when it fails.
  virtual std::uint32_t Read(char* buffer, std::uint32_t capacity) = 0;
  // Whether the child has ended.
  virtual bool HasEnded() = 0;
  // Returns when a window event arrives, the child ends, or `milliseconds` have passed.
  virtual void WaitForActivity(std::uint32_t milliseconds) = 0;
};

struct StartOutcome {
  std::unique_ptr<ChildProcess> child;  // null when the start failed
  std::uint32_t error = 0;              // the system's error code when it failed
};

class ConsoleHost {
 public:
  virtual std::uint32_t PlatformId() = 0;
  // Starts the command line hidden, with standard output and standard error piped back and no
  // standard input. The line reaches the system unchanged.
  virtual StartOutcome Start(const Text& commandLine) = 0;
  // Dispatches every window event that is waiting and returns without waiting for more.
  virtual void ProcessPendingEvents() = 0;
  // Stops every child started so far, and everything they started; from then on every waiting
  // run returns at once. The window's destruction calls it.
  virtual void EndAllLookups() = 0;
  virtual bool LookupsEnded() = 0;
  // The system's own wording for an error code.
  virtual Text SystemMessage(std::uint32_t error) = 0;

 protected:
  ~ConsoleHost() = default;
};
