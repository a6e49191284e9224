#include "lookup/console_win.h"

#include <algorithm>
#include <string>

namespace {

UniqueHandle MakeKillOnCloseJob() {
  UniqueHandle job(CreateJobObjectA(nullptr, nullptr));
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (job && !SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits,
                                      sizeof limits)) {
    job.reset();
  }
  return job;
}

// No window, no standard input; standard output and standard error both into `output`.
STARTUPINFOA HiddenWithOutputTo(HANDLE output) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
  startup.wShowWindow = SW_HIDE;
  startup.hStdOutput = output;
  startup.hStdError = output;
  return startup;
}

}  // namespace

class Win32Console::Child : public ChildProcess {
 public:
  Child(Win32Console& host, UniqueHandle readEnd, UniqueHandle process, bool inJob)
      : host_(host), read_(std::move(readEnd)), process_(std::move(process)), inJob_(inJob) {
    host_.running_.push_back(this);
  }
  ~Child() override {
    auto& all = host_.running_;
    all.erase(std::find(all.begin(), all.end(), this));
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  std::uint32_t BytesWaiting() override {
    DWORD waiting = 0;
    if (!PeekNamedPipe(read_.get(), nullptr, 0, nullptr, &waiting, nullptr)) return 0;
    return waiting;
  }
  std::uint32_t Read(char* buffer, std::uint32_t capacity) override {
    DWORD count = 0;
    if (!ReadFile(read_.get(), buffer, capacity, &count, nullptr)) return 0;
    return count;
  }
  bool HasEnded() override {
    // A signalled process handle, rather than GetExitCodeProcess's STILL_ACTIVE: 259 is also a
    // legal exit code, and this is one call per pass instead of two.
    return WaitForSingleObject(process_.get(), 0) != WAIT_TIMEOUT;
  }
  void WaitForActivity(std::uint32_t milliseconds) override {
    HANDLE process = process_.get();
    MsgWaitForMultipleObjectsEx(1, &process, milliseconds, QS_ALLINPUT, 0);
  }
  void StopIfOutsideJob() {
    if (!inJob_) TerminateProcess(process_.get(), 1);
  }

 private:
  Win32Console& host_;
  UniqueHandle read_;
  UniqueHandle process_;
  bool inJob_;
};

Win32Console::Win32Console(EventPump pump) : pump_(pump), job_(MakeKillOnCloseJob()) {}

std::uint32_t Win32Console::PlatformId() {
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
  if (!GetVersionExA(&version)) return kPlatformNt;
  return version.dwPlatformId;
}

StartOutcome Win32Console::Start(const Text& commandLine) {
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  UniqueHandle readEnd, writeEnd;
  if (!CreatePipe(readEnd.put(), writeEnd.put(), &inheritable, 0)) return {nullptr, GetLastError()};
  // Only the write end goes to the child; our end must not leak into it (or into later children).
  SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);

  STARTUPINFOA startup = HiddenWithOutputTo(writeEnd.get());
  // CreateProcessA may write into the command line, so it gets a copy of its own.
  std::string line(commandLine.view());
  PROCESS_INFORMATION started{};
  // Suspended, so that it is in the job before it can start anything of its own.
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_SUSPENDED, nullptr,
                      nullptr, &startup, &started)) {
    return {nullptr, GetLastError()};
  }
  UniqueHandle process(started.hProcess), thread(started.hThread);
  writeEnd.reset();  // from now on only the child and its descendants hold the write end
  bool inJob = job_ && AssignProcessToJobObject(job_.get(), process.get());
  ResumeThread(thread.get());
  return {std::make_unique<Child>(*this, std::move(readEnd), std::move(process), inJob), 0};
}

void Win32Console::EndAllLookups() {
  ended_ = true;
  if (job_) TerminateJobObject(job_.get(), 1);
  for (Child* child : running_) child->StopIfOutsideJob();
}

Text Win32Console::SystemMessage(std::uint32_t error) {
  char* message = nullptr;
  DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<char*>(&message), 0, nullptr);
  std::string_view text(message ? message : "", length);
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.remove_suffix(1);
  Text result(text);
  LocalFree(message);
  return result;
}
