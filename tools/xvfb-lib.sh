# Sourced by the scripts that need an X display: starts a private Xvfb on the first free display
# number and sets DISPLAY; the caller stops it with stop_xvfb.
start_xvfb() {
  local n
  for n in $(seq 90 130); do
    [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 1 50); do
      [ -S "/tmp/.X11-unix/X$n" ] && { export DISPLAY=":$n"; return 0; }
      kill -0 "$xvfb_pid" 2>/dev/null || break
      sleep 0.1
    done
  done
  echo "no X display could be started" >&2
  return 1
}
stop_xvfb() { [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null; wait "${xvfb_pid:-}" 2>/dev/null || true; }

# The X window id of dravelo's main window, or nothing while it is not there.
main_window_xid() {
  xwininfo -root -tree 2>/dev/null | awk '/"Dravelo by:Tovric"/ { print $1; exit }'
}

# Saves a PNG of dravelo's main window, frame included.
capture_main_window() {
  mkdir -p "$(dirname "$1")"
  import -window "$(main_window_xid)" "$1"
}
