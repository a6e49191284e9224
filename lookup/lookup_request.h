// The lookup request: a click on 按钮1 becomes one run of
//   nslookup -type=<record type> <domain> <resolver>
// through the command interpreter, and what nslookup printed goes into 编辑框2, framed by two
// status texts in 标签4.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "app/controls.h"
#include "common/text.h"
#include "lookup/console.h"

inline constexpr char kRunningStatus[] = "正在查询中，请稍候......";
inline constexpr char kFinishedStatus[] = "完成查询，以下为查询结果!!";
inline constexpr char kRefusedStatus[] = "查询未执行：输入含有特殊字符";
inline constexpr char kStartFailedStatus[] = "查询失败：无法启动命令解释器";

// The first character, read in code page 936, that the command interpreter would act on:
// & | < > ^ % ! " or a byte below 0x20, shown as itself or as 0x and two hex digits. A byte
// 0x81-0xFE and the byte after it form one character, so a trail byte that happens to equal
// '|' or '^' does not count.
std::optional<Text> FirstUnsafeCharacter(std::string_view text);

// "nslookup -type=" type " " domain " " resolver, joined byte for byte.
Text BuildLookupCommand(const Text& recordType, const Text& domain, const Text& resolver);

Text RefusalMessage(const Text& character, const char* boxName);
Text StartFailureMessage(const Text& commandLine, std::uint32_t error, const Text& systemMessage);

enum class LookupOutcome { Shown, Refused, StartFailed, Abandoned };

// Reads the record type and resolver itself, refuses input the interpreter would act on, runs
// the lookup and writes its result into 编辑框2. Writes nothing once the window is gone.
LookupOutcome LookupRecords(Controls& ui, ConsoleHost& host, const Text& domain);

// The click handler of 按钮1.
void OnQueryClicked(Controls& ui, ConsoleHost& host);
