#include "tests/native/fakes.h"

#include <algorithm>
#include <cstring>
#include <utility>

class FakeConsole::Child : public ChildProcess {
 public:
  Child(FakeConsole& host, ChildScript script, int id)
      : host_(host), script_(std::move(script)), id_(std::to_string(id)) {
    pipe_ = script_.initial;
    host_.live_.push_back(this);
  }
  ~Child() override {
    host_.live_.erase(std::find(host_.live_.begin(), host_.live_.end(), this));
  }
  std::uint32_t BytesWaiting() override {
    Log("peek " + std::to_string(pipe_.size()));
    return static_cast<std::uint32_t>(pipe_.size());
  }
  std::uint32_t Read(char* buffer, std::uint32_t capacity) override {
    std::size_t n = std::min<std::size_t>(capacity, pipe_.size());
    std::memcpy(buffer, pipe_.data(), n);
    pipe_.erase(0, n);
    Log("read " + std::to_string(n));
    return static_cast<std::uint32_t>(n);
  }
  bool HasEnded() override {
    bool running = script_.runningChecks > 0 && !host_.ended;
    if (running) --script_.runningChecks;
    if (!running) pipe_ += std::exchange(script_.atExit, "");
    Log(running ? "running" : "ended");
    return !running;
  }
  void WaitForActivity(std::uint32_t milliseconds) override {
    Log("wait " + std::to_string(milliseconds));
  }
  void TimePasses() {
    if (script_.later.empty()) return;
    pipe_ += script_.later.front();
    script_.later.pop_front();
  }

 private:
  void Log(const std::string& what) { host_.log.push_back(id_ + ": " + what); }

  FakeConsole& host_;
  ChildScript script_;
  std::string id_;
  std::string pipe_;
};

std::uint32_t FakeConsole::PlatformId() {
  log.push_back("platform");
  return platformId;
}

StartOutcome FakeConsole::Start(const Text& commandLine) {
  started.emplace_back(commandLine.view());
  log.push_back("start");
  if (startFails) return {nullptr, startError};
  ChildScript script;
  if (!children.empty()) {
    script = std::move(children.front());
    children.pop_front();
  }
  return {std::make_unique<Child>(*this, std::move(script), static_cast<int>(started.size())),
          0};
}

void FakeConsole::ProcessPendingEvents() {
  log.push_back("pump");
  for (Child* child : live_) child->TimePasses();
  if (onPump) onPump();
}
