// The label beside the resolver box names who runs the resolver that the box holds. It follows
// the box by polling: the timer 时钟1 ticks every 500 ms and each tick looks the box up.
#pragma once

#include "app/controls.h"

struct ResolverOperator {
  const char* address;  // dotted-decimal IPv4, compared byte for byte
  const char* label;    // the operator's name, code page 936
};

inline constexpr ResolverOperator ResolverOperatorTable[] = {
    {"114.114.114.114", "国内公共DNS"},
    {"202.96.134.133", "电信DNS"},
    {"202.96.128.166", "电信DNS"},
    {"119.29.29.29", "腾讯DNS"},
    {"192.168.3.5", "公司内部DNS"},
    {"8.8.8.8", "国际公共DNS"},
};

inline constexpr int kResolverPollMs = 500;

// The window's created event: starts the timer.
void OnWindowCreated(Controls& ui);
// The timer's tick: writes the operator of the first row whose address the box holds exactly;
// when no row matches, the label keeps what it shows.
void OnResolverTimer(Controls& ui);
