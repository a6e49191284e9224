// The real platform side of running a console command: pipes, CreateProcessA, a job object that
// holds every child and what it starts, and a wait that wakes for window events.
#pragma once

#include <windows.h>

#include <vector>

#include "common/unique_handle_win.h"
#include "lookup/console.h"

class Win32Console : public ConsoleHost {
 public:
  using EventPump = void (*)();
  explicit Win32Console(EventPump pump);
  Win32Console(const Win32Console&) = delete;
  Win32Console& operator=(const Win32Console&) = delete;

  std::uint32_t PlatformId() override;
  StartOutcome Start(const Text& commandLine) override;
  void ProcessPendingEvents() override { pump_(); }
  void EndAllLookups() override;
  bool LookupsEnded() override { return ended_; }
  Text SystemMessage(std::uint32_t error) override;

 private:
  class Child;
  EventPump pump_;
  UniqueHandle job_;  // kill-on-close: closing it, or the process ending, stops every child
  bool ended_ = false;
  std::vector<Child*> running_;  // children alive now, for the case that the job is not usable
};
