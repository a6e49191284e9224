#!/usr/bin/env python3
"""Turns the key=value lines of one bench run into the Markdown table of bench/results.md."""
import sys

SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "msvcrt.dll", "advapi32.dll", "shell32.dll",
    "comctl32.dll", "comdlg32.dll", "ole32.dll", "oleaut32.dll", "ws2_32.dll", "psapi.dll",
    "version.dll", "winmm.dll", "imm32.dll", "uxtheme.dll", "ntdll.dll", "shlwapi.dll",
}
SIZE_LIMIT = 200 * 1024
PRIVATE_SLACK_KB = 64  # under 64 bytes per lookup over 1000 lookups: heap rounding, not a leak


def load(path):
    """The last value of every key, and every value of every key (some steps run repeatedly)."""
    values, every = {}, {}
    with open(path, encoding="utf-8", errors="replace") as f:
        for line in f:
            line = line.strip()
            if "=" in line:
                key, value = line.split("=", 1)
                values[key] = value
                every.setdefault(key, []).append(value)
    return values, every


def median(xs):
    xs = sorted(xs)
    return xs[len(xs) // 2] if xs else None


class Run:
    def __init__(self, loaded):
        self.v, self.every = loaded

    def num(self, key):
        try:
            return float(self.v[key])
        except (KeyError, ValueError):
            return None

    def has(self, *keys):
        return all(self.num(k) is not None for k in keys)


def f(x, digits=1):
    return "n/a" if x is None else f"{x:.{digits}f}"


def ratio(a, b, digits=2):
    return "n/a" if a is None or not b else f"{a / b:.{digits}f}"


def verdict(ok):
    return "n/a" if ok is None else ("met" if ok else "**missed**")


def idle_row(r):
    t, ref = r.num("idle.tool.cpu_pct"), r.num("idle.ref.cpu_pct")
    tool = (f"{f(t, 2)} % of one processor (bench {f(r.num('idle.tool.own_pct'), 2)} + "
            f"wineserver {f(r.num('idle.tool.server_pct'), 2)})")
    tool += (f"; {f(r.num('idle.tool.waits_per_s'), 0)} waits/s, each pass also costing µs: peek "
             f"{f(r.num('idle.tool.us_peek'), 0)}, exit check {f(r.num('idle.tool.us_ended'), 0)}, "
             f"pump {f(r.num('idle.tool.us_pump'), 0)}; with no lookup at all the prefix costs "
             f"{f(r.num('idle.background.cpu_pct'), 2)} %")
    refs = (f"{f(ref)} % (bench {f(r.num('idle.ref.own_pct'))} + "
            f"wineserver {f(r.num('idle.ref.server_pct'))}), no wait")
    return ["idle CPU, 3 s idle child", tool, refs, ratio(t, ref, 3), "≤ 2 %",
            verdict(None if t is None else t <= 2)]


def latency_row(r):
    p50, p95 = r.num("latency.tool.p50_ms"), r.num("latency.tool.p95_ms")
    tool = (f"p50 {f(p50, 2)} ms, p95 {f(p95, 2)} ms, max {f(r.num('latency.tool.max_ms'), 2)} ms"
            f" (n={f(r.num('latency.tool.n'), 0)})")
    floor = (f"floor, blocking wait on the same child: p50 {f(r.num('latency.floor.p50_ms'), 2)} ms,"
             f" p95 {f(r.num('latency.floor.p95_ms'), 2)} ms; without cmd.exe: p50 "
             f"{f(r.num('latency.direct.p50_ms'), 2)} ms, p95 {f(r.num('latency.direct.p95_ms'), 2)} ms")
    return ["end latency, child exit → return", tool, floor,
            ratio(p95, r.num("latency.floor.p95_ms")), "p95 ≤ 5 ms",
            verdict(None if p95 is None else p95 <= 5)]


def capture_row(r, size, key):
    t, ref = r.num(f"capture.{key}.tool_mbs"), r.num(f"capture.{key}.ref_mbs")
    tool = (f"{f(t)} MB/s (whole run incl. start {f(r.num(f'capture.{key}.tool_whole_mbs'))} MB/s); "
            f"{f(r.num(f'capture.{key}.tool_waits'), 0)} waits of up to 10 ms, "
            f"{f(r.num(f'capture.{key}.tool_bytes_per_read'), 0)} bytes per read; per pass µs: "
            f"peek {f(r.num(f'capture.{key}.us_peek'), 0)}, read {f(r.num(f'capture.{key}.us_read'), 0)}, "
            f"pump {f(r.num(f'capture.{key}.us_pump'), 0)}")
    refs = (f"{f(ref)} MB/s (whole run {f(r.num(f'capture.{key}.ref_whole_mbs'))} MB/s), blocking "
            f"64 KB ReadFile; with 1023-byte reads {f(r.num(f'capture.{key}.ref_small_reads_mbs'))} MB/s")
    ok = None if t is None or not ref else t / ref >= 0.8
    return [f"capture throughput, {size}", tool, refs, ratio(t, ref), "≥ 0.8 × limit", verdict(ok)]


def display_row(r):
    w, p = r.num("display.write_ms"), r.num("display.paint_ms")
    bare = r.num("display.bare_edit_write_ms")
    return ["display, 1 MB into 编辑框2", f"WriteText {f(w)} ms, then paint {f(p)} ms",
            f"none (for scale: SetWindowTextA into a bare EDIT of the same styles {f(bare)} ms)",
            ratio(w, bare), "reported", "reported" if w is not None else "n/a"]


def profile_parts(r):
    """Medians over the in-process runs of CreateMainWindow, split at the creation of controls."""
    parts = {}
    for total, timeline in zip(r.every.get("profile.create_ms", []), r.every.get("profile.timeline", [])):
        at = {}
        for entry in timeline.split(","):
            step, _, ms = entry.partition("@")
            at.setdefault(int(step), float(ms))
        if not all(k in at for k in (100, 101, 102, 108, 109, 1)):
            continue
        combos = (at[102] - at[101]) + (at[109] - at[108])
        run = {"total": float(total), "before": at[100], "combos": combos,
               "others": at[1] - at[100] - combos, "show": float(total) - at[1]}
        for k, v in run.items():
            parts.setdefault(k, []).append(v)
    return {k: median(v) for k, v in parts.items()}


def startup_row(r):
    t, ref = r.num("startup.tool_ms"), r.num("startup.ref_ms")
    p = profile_parts(r)
    ok = None if t is None or not ref else t / ref <= 1.2
    return [f"start-up to visible window, median of {f(r.num('startup.n'), 0)}",
            f"{f(t)} ms (dravelo.exe; its window existed, hidden, at "
            f"{f(r.num('startup.tool_created_ms'))} ms). In-process CreateMainWindow, median of "
            f"{len(r.every.get('profile.create_ms', []))}: {f(p.get('total'))} ms = "
            f"{f(p.get('before'))} before the first control + {f(p.get('combos'))} the two combo "
            f"boxes + {f(p.get('others'))} the other controls + {f(p.get('show'))} showing, "
            f"activating and the first paint", f"{f(ref)} ms (minimal_window.exe, 502×421)",
            ratio(t, ref), "≤ 1.2 × reference", verdict(ok)]


def respond_row(r):
    p99 = r.num("respond.lookup.p99_ms")
    tool = (f"p50 {f(r.num('respond.lookup.p50_ms'), 2)} ms, p99 {f(p99, 2)} ms, max "
            f"{f(r.num('respond.lookup.max_ms'), 2)} ms, {f(r.num('respond.lookup.timeouts'), 0)} "
            f"timeouts (n={f(r.num('respond.lookup.n'), 0)})")
    refs = (f"no lookup: p50 {f(r.num('respond.idle.p50_ms'), 2)} ms, p99 "
            f"{f(r.num('respond.idle.p99_ms'), 2)} ms, max {f(r.num('respond.idle.max_ms'), 2)} ms")
    return ["responsiveness, WM_NULL round trip during a lookup", tool, refs,
            ratio(p99, r.num("respond.idle.p99_ms")), "p99 ≤ 15 ms",
            verdict(None if p99 is None else p99 <= 15)]


def window_cpu_row(r):
    t, ref = r.num("window_cpu.lookup_pct"), r.num("window_cpu.idle_pct")
    return ["(extra) idle CPU of dravelo.exe + wineserver while a lookup waits, 3 s",
            f"{f(t, 2)} % of one processor", f"{f(ref, 2)} % with no lookup", ratio(t, ref),
            "≤ 2 % (as idle CPU)", verdict(None if t is None else t <= 2)]


def soak_row(r):
    keys = ["soak.start", "soak.half", "soak.after_row", "soak.after_nested"]
    if not r.has(*[k + ".handles" for k in keys]):
        return ["soak", "n/a", "none", "—", "back to start", "n/a"]
    handles = [int(r.num(k + ".handles")) for k in keys]
    private = [r.num(k + ".private_kb") for k in keys]
    depth, wrong = r.num("soak.nested_depth"), r.num("soak.wrong_results")
    left, clicks = r.num("soak.children_left"), r.num("soak.clicks")
    code, standins = r.num("close.exit_code"), r.num("close.standins_left_500ms")
    tool = (f"handles {' → '.join(map(str, handles))} (start, half, after the row, after nesting); "
            f"private KB {' → '.join(f(p, 0) for p in private)}; "
            f"handles every tenth of the row: {r.v.get('soak.handle_curve', 'n/a').replace(',', ' ')}; "
            f"handles added since the start: {r.v.get('soak.handles_added', 'n/a')}; "
            f"{f(clicks, 0)} lookups at {f(r.num('soak.lookup_ms'), 0)} ms each, nested depth "
            f"{f(depth, 0)}, {f(wrong, 0)} wrong results, {f(left, 0)} children left; "
            f"close during nested lookup ({f(r.num('close.standins_running'), 0)} stand-ins "
            f"running): exit code {f(code, 0)} after {f(r.num('close.exit_ms'), 0)} ms, "
            f"{f(r.num('close.standins_left_at_exit'), 0)} stand-ins left at exit, "
            f"{f(standins, 0)} after 500 ms")
    ok = (len(set(handles)) == 1 and private[2] - private[0] <= PRIVATE_SLACK_KB
          and private[3] - private[0] <= PRIVATE_SLACK_KB and left == 0 and wrong == 0
          and code == 0 and standins == 0 and r.num("close.nested") == 1)
    return ["soak: 1000 lookups, 20 nested, close during nested", tool, "none", "—",
            f"handles equal, private ≤ +{PRIVATE_SLACK_KB} KB, no child left, exit code 0",
            verdict(ok)]


def size_row(r):
    size = r.num("size.bytes")
    dlls = [d for d in r.v.get("size.dlls", "").split(",") if d]
    foreign = [d for d in dlls if d.lower() not in SYSTEM_DLLS]
    ok = None if size is None else size <= SIZE_LIMIT and not foreign and bool(dlls)
    return ["size of the win32 release exe", f"{f(size, 0)} bytes ({f(size / 1024 if size else None)}"
            f" KB); imports {', '.join(dlls) or 'n/a'}", "none", "—",
            "≤ 200 KB, system DLLs only", verdict(ok)]


def table(r):
    rows = [idle_row(r), latency_row(r), capture_row(r, "1 MB", "1mb"),
            capture_row(r, "16 MB", "16mb"), display_row(r), startup_row(r), respond_row(r),
            window_cpu_row(r), soak_row(r), size_row(r)]
    out = ["| row | measured | reference, same run | ratio | goal | verdict |",
           "|---|---|---|---|---|---|"]
    out += ["| " + " | ".join(row) + " |" for row in rows]
    return "\n".join(out)


def main():
    r = Run(load(sys.argv[1]))
    v = r.v
    print("# Dravelo benchmark results\n")
    print(f"- date: {v.get('run.date', 'n/a')}, code under test: {v.get('run.commit', 'n/a')}")
    print(f"- machine: {v.get('machine.nproc', '?')} processors, {v.get('machine.cpu', '?')}, "
          f"{v.get('machine.memory', '?')} memory, load average at the end {v.get('machine.load', '?')}")
    print(f"- Wine: {v.get('wine.version', 'n/a')} (wine64); runtime figures are for the x86_64 "
          "(win64, Debug) build under Wine, the size for the 32-bit release build")
    if v.get("run.quick") == "1":
        print("- quick run: fewer repeats and a short soak; not comparable with a full run")
    failed = sorted(k[len("failed."):] for k in v if k.startswith("failed."))
    if failed:
        print(f"- steps that failed or timed out: {', '.join(failed)}")
    print()
    print(table(r))
    steps = ", ".join(f"{k[5:-8]} {v[k]} s" for k in v if k.startswith("step.") and k.endswith(".seconds"))
    print(f"\nStep durations: {steps}.")


if __name__ == "__main__":
    main()
