#include "lookup/lookup_request.h"

#include <cstdio>
#include <cstring>

#include "lookup/command_runner.h"

namespace {

bool IsLeadByte(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }

bool IsUnsafeByte(unsigned char byte) {
  return byte < 0x20 || std::strchr("&|<>^%!\"", byte) != nullptr;
}

Text ShowCharacter(unsigned char byte) {
  if (byte >= 0x20) return Text(std::string_view(reinterpret_cast<const char*>(&byte), 1));
  char hex[8];
  std::snprintf(hex, sizeof hex, "0x%02X", byte);
  return Text(hex);
}

struct CheckedBox {
  const Text& text;
  const char* name;
};

}  // namespace

std::optional<Text> FirstUnsafeCharacter(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    auto byte = static_cast<unsigned char>(text[i]);
    if (IsLeadByte(byte) && i + 1 < text.size()) {
      ++i;  // the trail byte belongs to this character
      continue;
    }
    if (IsUnsafeByte(byte)) return ShowCharacter(byte);
  }
  return std::nullopt;
}

Text BuildLookupCommand(const Text& recordType, const Text& domain, const Text& resolver) {
  return Text("nslookup -type=") + recordType.view() + " " + domain.view() + " " + resolver.view();
}

Text RefusalMessage(const Text& character, const char* boxName) {
  return Text("输入中含有命令解释器的特殊字符“") + character.view() + "”（" + boxName +
         "），查询未执行。";
}

Text StartFailureMessage(const Text& commandLine, std::uint32_t error, const Text& systemMessage) {
  char code[16];
  std::snprintf(code, sizeof code, "%lu", static_cast<unsigned long>(error));
  return Text("无法启动命令：") + commandLine.view() + "\r\n错误代码 " + code + "：" +
         systemMessage.view();
}

LookupOutcome LookupRecords(Controls& ui, ConsoleHost& host, const Text& domain) {
  Text recordType = ui.ReadText(组合框2);
  Text resolver = ui.ReadText(组合框1);
  for (const CheckedBox& box : {CheckedBox{domain, "查询的域名"}, CheckedBox{recordType, "记录类型"},
                                CheckedBox{resolver, "解析DNS"}}) {
    if (std::optional<Text> unsafe = FirstUnsafeCharacter(box.text.view())) {
      ui.WriteText(编辑框2, RefusalMessage(*unsafe, box.name));
      return LookupOutcome::Refused;
    }
  }
  RunResult run = RunConsoleCommand(BuildLookupCommand(recordType, domain, resolver), host);
  switch (run.status) {
    case RunStatus::Abandoned:
      return LookupOutcome::Abandoned;
    case RunStatus::StartFailed:
      ui.WriteText(编辑框2,
                   StartFailureMessage(run.commandLine, run.error, host.SystemMessage(run.error)));
      return LookupOutcome::StartFailed;
    case RunStatus::Finished:
      break;
  }
  ui.WriteText(编辑框2, run.output);
  return LookupOutcome::Shown;
}

void OnQueryClicked(Controls& ui, ConsoleHost& host) {
  ui.WriteCaption(标签4, kRunningStatus);
  Text domain = ui.ReadText(编辑框1);
  switch (LookupRecords(ui, host, domain)) {
    case LookupOutcome::Shown:
      ui.WriteCaption(标签4, kFinishedStatus);
      break;
    case LookupOutcome::Refused:
      ui.WriteCaption(标签4, kRefusedStatus);
      break;
    case LookupOutcome::StartFailed:
      ui.WriteCaption(标签4, kStartFailedStatus);
      break;
    case LookupOutcome::Abandoned:
      break;  // the controls are gone
  }
}
