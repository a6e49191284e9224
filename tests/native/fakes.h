// Scripted stand-ins for the window's controls and for the platform's process and pipe calls.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/controls.h"
#include "lookup/console.h"

class FakeControls : public Controls {
 public:
  std::map<ControlId, std::string> texts;     // edit boxes and combo boxes
  std::map<ControlId, std::string> captions;  // labels
  std::vector<std::string> captionWrites;     // every caption written, in order
  int period = 0;
  int reads = 0;

  Text ReadText(ControlId box) override {
    ++reads;
    return Text(texts[box]);
  }
  void WriteText(ControlId box, const Text& text) override { texts[box] = std::string(text.view()); }
  void WriteCaption(ControlId label, const Text& caption) override {
    captions[label] = std::string(caption.view());
    captionWrites.push_back(captions[label]);
  }
  void WritePeriod(ControlId, int milliseconds) override { period = milliseconds; }
};

// What one child does: the bytes it has written before the first poll, the bytes it writes
// each time the runner lets time pass (one entry per pump), how many exit queries find it still
// running, and bytes that reach the pipe between the last empty peek and the exit query.
struct ChildScript {
  std::string initial;
  std::deque<std::string> later;
  int runningChecks = 0;
  std::string atExit;
};

class FakeConsole : public ConsoleHost {
 public:
  std::uint32_t platformId = kPlatformNt;
  std::deque<ChildScript> children;  // one per Start, in order
  bool startFails = false;
  std::uint32_t startError = 2;
  std::vector<std::string> log;      // every platform call, in order
  std::vector<std::string> started;  // command lines handed to Start
  std::function<void()> onPump;      // what the window does when its events run
  bool ended = false;

  std::uint32_t PlatformId() override;
  StartOutcome Start(const Text& commandLine) override;
  void ProcessPendingEvents() override;
  void EndAllLookups() override { ended = true; log.push_back("end all"); }
  bool LookupsEnded() override { return ended; }
  Text SystemMessage(std::uint32_t error) override {
    return Text(("message " + std::to_string(error)).c_str());
  }

 private:
  class Child;
  std::vector<Child*> live_;
};
