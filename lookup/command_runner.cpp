#include "lookup/command_runner.h"

#include <string_view>

namespace {

// Appends the bytes of one read, dropping zero bytes: a NUL the child writes must not cut off
// what follows it. A double-byte character split between two reads is joined again here.
void AppendDroppingZeros(Text& output, std::string_view chunk) {
  while (!chunk.empty()) {
    std::size_t zero = chunk.find('\0');
    output += chunk.substr(0, zero);
    if (zero == std::string_view::npos) return;
    chunk.remove_prefix(zero + 1);
  }
}

// One read of what is waiting in the pipe. False when nothing was waiting (or nothing came).
bool ReadWaiting(ChildProcess& child, Text& output) {
  if (child.BytesWaiting() == 0) return false;
  char buffer[kReadChunk + 1] = {};
  std::uint32_t count = child.Read(buffer, kReadChunk);
  AppendDroppingZeros(output, std::string_view(buffer, count));
  return count > 0;
}

// Polls the pipe until the child has ended. Waiting bytes are always read before the exit status
// is asked for, and once the child has ended the pipe is read dry, so nothing it wrote is lost.
RunStatus CollectOutput(ChildProcess& child, ConsoleHost& host, Text& output) {
  for (;;) {
    bool read = ReadWaiting(child, output);
    if (!read && child.HasEnded()) {
      while (ReadWaiting(child, output)) {
      }
      return RunStatus::Finished;
    }
    host.ProcessPendingEvents();
    if (host.LookupsEnded()) return RunStatus::Abandoned;
    if (!read) child.WaitForActivity(kWaitSliceMs);
  }
}

}  // namespace

const char* InterpreterPrefix(std::uint32_t platformId) {
  return platformId == kPlatformNt ? "cmd.exe /c " : "command.com /c ";
}

RunResult RunConsoleCommand(const Text& command, ConsoleHost& host) {
  RunResult result;
  if (TextEquals(command, "")) return result;
  result.commandLine = Text(InterpreterPrefix(host.PlatformId())) + command.view();
  StartOutcome started = host.Start(result.commandLine);
  if (!started.child) {
    result.status = RunStatus::StartFailed;
    result.error = started.error;
    return result;
  }
  result.status = CollectOutput(*started.child, host, result.output);
  return result;
}
