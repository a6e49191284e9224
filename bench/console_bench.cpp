// The console runner on the real Win32Console, in this process, against references measured in
// the same run:
//   console_bench idle WINESERVER_PID CLK_TCK   CPU while a child idles, with and without the wait
//   console_bench latency RUNS                  child's exit to RunConsoleCommand's return
//   console_bench capture REPEATS               MB/s collecting 1 MB and 16 MB
// Every line on standard output is key=value; bench/run assembles them.
#include <windows.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/event_pump_win.h"
#include "bench/bench_support.h"
#include "lookup/command_runner.h"
#include "lookup/console_win.h"

namespace {

// Passes every call on to the child the real console started.
class ForwardingChild : public ChildProcess {
 public:
  explicit ForwardingChild(std::unique_ptr<ChildProcess> inner) : inner_(std::move(inner)) {}
  std::uint32_t BytesWaiting() override { return inner_->BytesWaiting(); }
  std::uint32_t Read(char* buffer, std::uint32_t capacity) override {
    return inner_->Read(buffer, capacity);
  }
  bool HasEnded() override { return inner_->HasEnded(); }
  void WaitForActivity(std::uint32_t milliseconds) override {
    inner_->WaitForActivity(milliseconds);
  }

 private:
  std::unique_ptr<ChildProcess> inner_;
};

// The reference for idle CPU: the same loop with its wait taken out, so it polls flat out.
class PollingChild final : public ForwardingChild {
 public:
  using ForwardingChild::ForwardingChild;
  void WaitForActivity(std::uint32_t) override {}
};

// What the loop did, to explain the figures: how often it read and waited, and where the time
// of each pass went.
struct LoopCounts {
  std::uint64_t reads = 0, bytes = 0, waits = 0, peeks = 0, endChecks = 0, pumps = 0;
  std::int64_t peekTicks = 0, readTicks = 0, endTicks = 0, waitTicks = 0, pumpTicks = 0;
  std::int64_t firstByte = 0;  // when the first byte arrived, so throughput leaves out start-up
};

// Times `call`, adding its duration to `ticks`.
template <typename Call>
auto Timed(std::int64_t& ticks, Call call) {
  std::int64_t start = NowTicks();
  auto result = call();
  ticks += NowTicks() - start;
  return result;
}

// Counts and times the loop's calls without changing what they do.
class CountingChild final : public ForwardingChild {
 public:
  CountingChild(std::unique_ptr<ChildProcess> inner, LoopCounts& counts)
      : ForwardingChild(std::move(inner)), counts_(counts) {}
  std::uint32_t BytesWaiting() override {
    ++counts_.peeks;
    return Timed(counts_.peekTicks, [&] { return ForwardingChild::BytesWaiting(); });
  }
  std::uint32_t Read(char* buffer, std::uint32_t capacity) override {
    std::uint32_t count =
        Timed(counts_.readTicks, [&] { return ForwardingChild::Read(buffer, capacity); });
    if (count > 0 && counts_.bytes == 0) counts_.firstByte = NowTicks();
    ++counts_.reads;
    counts_.bytes += count;
    return count;
  }
  bool HasEnded() override {
    ++counts_.endChecks;
    return Timed(counts_.endTicks, [&] { return ForwardingChild::HasEnded(); });
  }
  void WaitForActivity(std::uint32_t milliseconds) override {
    ++counts_.waits;
    Timed(counts_.waitTicks, [&] { return ForwardingChild::WaitForActivity(milliseconds), 0; });
  }

 private:
  LoopCounts& counts_;
};

enum class Decoration { None, Polling, Counting };

// The real console with its children decorated; everything else is passed on unchanged.
class DecoratedHost final : public ConsoleHost {
 public:
  DecoratedHost(Win32Console& real, Decoration decoration) : real_(real), decoration_(decoration) {}
  std::uint32_t PlatformId() override { return real_.PlatformId(); }
  StartOutcome Start(const Text& commandLine) override {
    StartOutcome outcome = real_.Start(commandLine);
    if (outcome.child) outcome.child = Decorate(std::move(outcome.child));
    return outcome;
  }
  void ProcessPendingEvents() override {
    if (decoration_ != Decoration::Counting) return real_.ProcessPendingEvents();
    ++counts.pumps;
    Timed(counts.pumpTicks, [&] { return real_.ProcessPendingEvents(), 0; });
  }
  void EndAllLookups() override { real_.EndAllLookups(); }
  bool LookupsEnded() override { return real_.LookupsEnded(); }
  Text SystemMessage(std::uint32_t error) override { return real_.SystemMessage(error); }
  LoopCounts counts;

 private:
  std::unique_ptr<ChildProcess> Decorate(std::unique_ptr<ChildProcess> child) {
    switch (decoration_) {
      case Decoration::None: return child;
      case Decoration::Polling: return std::make_unique<PollingChild>(std::move(child));
      case Decoration::Counting: return std::make_unique<CountingChild>(std::move(child), counts);
    }
    return child;
  }
  Win32Console& real_;
  Decoration decoration_;
};

std::string Helper() { return Quoted(ExeFolder() + "..\\tests\\console_helper.exe"); }
std::string Stamp() { return Quoted(ExeFolder() + "exit_stamp.exe"); }

double MicrosEach(std::int64_t ticks, std::uint64_t calls) {
  return calls ? TicksToMs(ticks) * 1000.0 / static_cast<double>(calls) : 0;
}

// Where the passes of the last run went: microseconds per call, and the calls.
void ReportCallCosts(const std::string& key, const LoopCounts& c) {
  Report(key + ".us_peek", MicrosEach(c.peekTicks, c.peeks));
  Report(key + ".us_read", MicrosEach(c.readTicks, c.reads));
  Report(key + ".us_ended", MicrosEach(c.endTicks, c.endChecks));
  Report(key + ".us_pump", MicrosEach(c.pumpTicks, c.pumps));
  Report(key + ".us_wait", MicrosEach(c.waitTicks, c.waits));
  Report(key + ".passes", static_cast<double>(c.pumps));
}

// ---- idle CPU

struct CpuShare {
  double total, own, server;  // percent of one processor
};

// The CPU that this process and wineserver use while `work` runs.
template <typename Work>
CpuShare CpuDuring(unsigned long serverPid, double hz, Work work) {
  double own0 = OwnCpuSeconds(), server0 = UnixProcessCpuSeconds(serverPid, hz);
  std::int64_t start = NowTicks();
  work();
  double wall = TicksToMs(NowTicks() - start) / 1000.0;
  double own = OwnCpuSeconds() - own0, server = UnixProcessCpuSeconds(serverPid, hz) - server0;
  if (server0 < 0) Note("idle: wineserver's CPU time cannot be read");
  return {100 * (own + server) / wall, 100 * own / wall, 100 * server / wall};
}

CpuShare IdleRun(ConsoleHost& host, unsigned long serverPid, double hz) {
  return CpuDuring(serverPid, hz, [&] {
    RunResult run = RunConsoleCommand(Text((Helper() + " idle 3000").c_str()), host);
    if (run.status != RunStatus::Finished) Note("idle: the run did not finish");
  });
}

void ReportShares(const std::string& key, const std::vector<CpuShare>& runs) {
  CpuShare mean{0, 0, 0};
  for (const CpuShare& r : runs) {
    mean.total += r.total / static_cast<double>(runs.size());
    mean.own += r.own / static_cast<double>(runs.size());
    mean.server += r.server / static_cast<double>(runs.size());
  }
  Report(key + ".cpu_pct", mean.total);
  Report(key + ".own_pct", mean.own);
  Report(key + ".server_pct", mean.server);
}

int Idle(unsigned long serverPid, double hz) {
  Win32Console console(PumpPendingEvents);
  DecoratedHost polling(console, Decoration::Polling);
  std::vector<CpuShare> tool, reference;
  for (int round = 0; round < 2; ++round) {
    Note("idle: round " + std::to_string(round + 1) + " of 2 (3 s with the wait, 3 s without)");
    tool.push_back(IdleRun(console, serverPid, hz));
    reference.push_back(IdleRun(polling, serverPid, hz));
  }
  ReportShares("idle.tool", tool);
  ReportShares("idle.ref", reference);
  // What the rest of the prefix costs with no lookup at all, and how often the loop woke.
  ReportShares("idle.background", {CpuDuring(serverPid, hz, [] { Sleep(3000); })});
  DecoratedHost counting(console, Decoration::Counting);
  std::int64_t start = NowTicks();
  RunConsoleCommand(Text((Helper() + " idle 3000").c_str()), counting);
  double seconds = TicksToMs(NowTicks() - start) / 1000.0;
  Report("idle.tool.waits_per_s", static_cast<double>(counting.counts.waits) / seconds);
  ReportCallCosts("idle.tool", counting.counts);
  return 0;
}

// ---- end latency

// The stamp the child wrote just before it exited; 0 when there is none.
std::int64_t StampIn(std::string_view output) {
  std::size_t at = output.find("qpc=");
  if (at == std::string_view::npos) return 0;
  return std::strtoll(std::string(output.substr(at + 4)).c_str(), nullptr, 10);
}

void ReportSpread(const std::string& key, const std::vector<double>& ms) {
  Report(key + ".p50_ms", Percentile(ms, 50));
  Report(key + ".p95_ms", Percentile(ms, 95));
  Report(key + ".max_ms", Percentile(ms, 100));
  Report(key + ".n", static_cast<double>(ms.size()));
}

int Latency(int runs) {
  Win32Console console(PumpPendingEvents);
  std::vector<double> tool, floor, direct;
  for (int i = 0; i < runs; ++i) {
    RunResult run = RunConsoleCommand(Text(Stamp().c_str()), console);
    std::int64_t back = NowTicks(), stamp = StampIn(run.output.view());
    if (stamp) tool.push_back(TicksToMs(back - stamp));
    // The floor: the same child through cmd.exe, waited for by a blocking reader.
    DrainResult drained = RunAndDrain(std::string(InterpreterPrefix(kPlatformNt)) + Stamp());
    back = NowTicks();
    if ((stamp = StampIn(drained.text))) floor.push_back(TicksToMs(back - stamp));
    // And without cmd.exe between: how much of the floor is the interpreter's own exit.
    drained = RunAndDrain(Stamp());
    back = NowTicks();
    if ((stamp = StampIn(drained.text))) direct.push_back(TicksToMs(back - stamp));
  }
  ReportSpread("latency.tool", tool);
  ReportSpread("latency.floor", floor);
  ReportSpread("latency.direct", direct);
  return 0;
}

// ---- capture throughput

double MegabytesPerSecond(std::uint64_t bytes, std::int64_t ticks) {
  return static_cast<double>(bytes) / (1024.0 * 1024.0) / (TicksToMs(ticks) / 1000.0);
}

void CaptureSize(unsigned long bytes, int repeats, const std::string& key) {
  Win32Console console(PumpPendingEvents);
  std::string command = Helper() + " emit " + std::to_string(bytes);
  std::vector<double> tool, reference, toolWhole, referenceWhole, waits, readSize, smallReads;
  LoopCounts last;
  for (int i = 0; i < repeats; ++i) {
    DecoratedHost host(console, Decoration::Counting);
    std::int64_t start = NowTicks();
    RunResult run = RunConsoleCommand(Text(command.c_str()), host);
    std::int64_t end = NowTicks();
    if (run.output.size() != bytes) Note("capture: the tool collected a different byte count");
    tool.push_back(MegabytesPerSecond(bytes, end - host.counts.firstByte));
    toolWhole.push_back(MegabytesPerSecond(bytes, end - start));
    waits.push_back(static_cast<double>(host.counts.waits));
    readSize.push_back(static_cast<double>(host.counts.bytes) /
                       static_cast<double>(host.counts.reads ? host.counts.reads : 1));
    last = host.counts;

    start = NowTicks();
    DrainResult drained = RunAndDrain(std::string(InterpreterPrefix(kPlatformNt)) + command);
    end = NowTicks();
    if (drained.bytes != bytes) Note("capture: the reference read a different byte count");
    reference.push_back(MegabytesPerSecond(bytes, end - drained.firstByte));
    referenceWhole.push_back(MegabytesPerSecond(bytes, end - start));

    // The blocking reader again, with the tool's read size: what the read size alone costs.
    drained = RunAndDrain(std::string(InterpreterPrefix(kPlatformNt)) + command, kReadChunk);
    end = NowTicks();
    smallReads.push_back(MegabytesPerSecond(bytes, end - drained.firstByte));
  }
  Report(key + ".tool_mbs", Median(tool));
  Report(key + ".ref_mbs", Median(reference));
  Report(key + ".tool_whole_mbs", Median(toolWhole));
  Report(key + ".ref_whole_mbs", Median(referenceWhole));
  Report(key + ".ref_small_reads_mbs", Median(smallReads));
  Report(key + ".tool_waits", Median(waits));
  Report(key + ".tool_bytes_per_read", Median(readSize));
  ReportCallCosts(key, last);
}

int Capture(int repeats) {
  Note("capture: 1 MB");
  CaptureSize(1UL << 20, repeats, "capture.1mb");
  Note("capture: 16 MB");
  CaptureSize(16UL << 20, repeats, "capture.16mb");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "idle" && argc > 3) return Idle(std::strtoul(argv[2], nullptr, 10), std::atof(argv[3]));
  if (mode == "latency") return Latency(argc > 2 ? std::atoi(argv[2]) : 50);
  if (mode == "capture") return Capture(argc > 2 ? std::atoi(argv[2]) : 3);
  Note("usage: console_bench idle WINESERVER_PID CLK_TCK | latency RUNS | capture REPEATS");
  return 2;
}
