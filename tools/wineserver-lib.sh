# Sourced by the Wine bench and the stand-in's scripts. Wine makes a program's sockets in the
# wineserver, so in the wineserver's network namespace, and every namespace on this machine shares one wineserver per
# prefix. A wineserver started from another namespace (another session's) would send the
# stand-in's queries to that namespace's loopback, where our DNS server is not.

wine_prefix() { echo "${DRAVELO_WINEPREFIX:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build/wineprefix}"; }

# The pid of the running wineserver of the prefix, if any (it works in a directory named after
# the prefix's device and inode).
prefix_wineserver_pid() {
  local prefix want p
  prefix=$(wine_prefix)
  [ -d "$prefix" ] || return 0
  want=$(printf 'server-%x-%x' $(stat -c '%d %i' "$prefix"))
  for p in $(pgrep wineserver); do
    if [ "$(basename "$(readlink "/proc/$p/cwd" 2>/dev/null)")" = "$want" ]; then
      echo "$p"
      return 0
    fi
  done
}

# Fails, saying why, when the prefix's wineserver runs in another network namespace.
require_wineserver_here() {
  local pid
  pid=$(prefix_wineserver_pid)
  [ -z "$pid" ] && return 0
  [ "$(readlink "/proc/$pid/ns/net")" = "$(readlink /proc/self/ns/net)" ] && return 0
  echo "the wineserver of $(wine_prefix) (pid $pid) runs in another network namespace; the" \
       "stand-in's queries would not reach this namespace's DNS server. Wait for it to end, or" \
       "set DRAVELO_WINEPREFIX to a prefix of your own." >&2
  return 1
}
