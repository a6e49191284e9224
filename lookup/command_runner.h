// RunConsoleCommand: runs one command line through the command interpreter as a hidden child and
// collects everything it writes to standard output and standard error, while the window keeps
// processing its events.
#pragma once

#include <cstdint>

#include "common/text.h"
#include "lookup/console.h"

inline constexpr std::uint32_t kReadChunk = 1023;  // bytes asked for per read
inline constexpr std::uint32_t kWaitSliceMs = 10;  // longest idle wait between two passes

enum class RunStatus {
  Finished,     // the child ran and ended; `output` holds all it wrote
  StartFailed,  // nothing could be started; `error` says why
  Abandoned,    // the window went away while the child ran; the child was stopped
};

struct RunResult {
  RunStatus status = RunStatus::Finished;
  Text output;       // the child's bytes in the order written, zero bytes dropped
  Text commandLine;  // the line handed to the system, interpreter prefix included
  std::uint32_t error = 0;
};

// "cmd.exe /c " on the NT family, "command.com /c " on every other platform.
const char* InterpreterPrefix(std::uint32_t platformId);

// An empty command starts nothing and returns an empty, finished result at once.
RunResult RunConsoleCommand(const Text& command, ConsoleHost& host);
