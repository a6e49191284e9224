#!/usr/bin/env bash
# Real keyboard input through the X server: xdotool focuses the window, then Tab walks the five
# tab stops, typing a digit into each; Esc closes the window and the exe exits with code 0.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
exe=$1 probe=$2
bench=$root/tools/wine-bench
. "$root/tools/xvfb-lib.sh"
"$bench" "$exe" &
app=$!
for _ in $(seq 1 100); do
  xid=$(main_window_xid)
  [ -n "$xid" ] && break
  sleep 0.1
done
[ -n "${xid:-}" ] || { echo "FAIL: the window did not appear"; kill $app; exit 1; }
sleep 0.5
xdotool windowfocus --sync "$xid" || { echo "FAIL: could not focus the window"; exit 1; }
# 组合框1, 按钮1 (typing does nothing there), 编辑框2, 组合框2, then back to 编辑框1.
for digit in 1 2 3 4 5; do
  xdotool key Tab
  sleep 0.2
  xdotool type "$digit"
  sleep 0.2
done
texts=$("$bench" "$probe" | tr -d '\r')
echo "$texts"
failures=0
expect() {  # expect NAME=TEXT: the line for that box
  grep -qxF "$1" <<<"$texts" && echo "ok   $1" || { echo "FAIL want $1"; failures=$((failures + 1)); }
}
expect "resolver=1"              # the combo box selects its text when it gets the focus
expect "output=3"
expect "type=4"
expect "domain=5example.com"     # the caret was at the start, nothing selected
xdotool key Escape
for _ in $(seq 1 50); do kill -0 $app 2>/dev/null || break; sleep 0.1; done
if kill -0 $app 2>/dev/null; then echo "FAIL: Esc did not close the window"; kill $app; exit 1; fi
wait $app
code=$?
[ $code = 0 ] && echo "ok   exit code 0" || { echo "FAIL exit code $code"; failures=$((failures + 1)); }
exit $((failures > 0))
