#!/usr/bin/env bash
# End-to-end check of the nslookup stand-in: the Windows exe under Wine asks the local BIND
# (dns-server) for every record of the fixture zones, and what it prints must be exactly what
# dig gets from the same server for the same question; then the error paths.
#   e2e-vs-dig.sh PATH/TO/nslookup.exe
# Runs inside a private network namespace (tools/test provides one; or tools/private-net).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)

if [ "${1:-}" != --inside ]; then
  [ $# -eq 1 ] || { echo "usage: e2e-vs-dig.sh PATH/TO/nslookup.exe" >&2; exit 2; }
  exec bash "$here/dns-server" run bash "$0" --inside "$1"
fi
exe=$2
server=127.0.0.1
. "$here/../wineserver-lib.sh"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# Runs the stand-in: stdout to $tmp/out (CR LF kept), stderr to $tmp/err, status to $rc.
standin() {
  set +e
  "$root/tools/wine-bench" "$exe" "$@" < /dev/null > "$tmp/out" 2> "$tmp/err"
  rc=$?
  set -e
}

# Every line the stand-in writes ends in CR LF, the last one too.
check_crlf() {
  local f lines crlf
  for f in "$tmp/out" "$tmp/err"; do
    [ -s "$f" ] || continue
    lines=$(wc -l < "$f")
    crlf=$(grep -c $'\r$' "$f" || true)
    if [ "$lines" != "$crlf" ] || [ "$(tail -c 1 "$f" | od -An -tx1 | tr -d ' ')" != 0a ]; then
      fail "$*: $(basename "$f") has a line not ending in CR LF"
    fi
  done
}

# dig's records (or a zone dump) as "owner TYPE data": no trailing dots, SOA on one line.
dig_records() {
  awk '!/^;/ && NF >= 5 {
    owner = $1; type = $4; data = $0
    sub(/^[^ \t]+[ \t]+[^ \t]+[ \t]+[^ \t]+[ \t]+[^ \t]+[ \t]+/, "", data)
    sub(/\.$/, "", owner)
    if (type == "SOA") gsub(/\. /, " ", data)
    if (type == "NS" || type == "CNAME" || type == "PTR" || type == "MX") sub(/\.$/, "", data)
    if (type == "OPT") next
    print owner " " type " " data
  }'
}

# The stand-in's one-line-per-record output in the same form as dig_records.
standin_records() {
  tr -d '\r' < "$tmp/out" | awk '
    function flush() { if (txt_owner != "") print txt_owner " TXT " txt; txt_owner = ""; txt = "" }
    !body { if ($0 == "") body = 1; next }
    /^\t"/ && txt_owner != "" { txt = txt (txt == "" ? "" : " ") substr($0, 2); next }
    $0 == "" { next }
    { flush() }
    match($0, /\tMX preference = /) {
      split(substr($0, RSTART + RLENGTH), p, ", mail exchanger = ")
      print substr($0, 1, RSTART - 1) " MX " p[1] " " p[2]; next
    }
    match($0, /\tnameserver = /) { print substr($0, 1, RSTART - 1) " NS " substr($0, RSTART + RLENGTH); next }
    match($0, /\tcanonical name = /) { print substr($0, 1, RSTART - 1) " CNAME " substr($0, RSTART + RLENGTH); next }
    match($0, /\tname = /) { print substr($0, 1, RSTART - 1) " PTR " substr($0, RSTART + RLENGTH); next }
    match($0, /\tinternet address = /) { print substr($0, 1, RSTART - 1) " A " substr($0, RSTART + RLENGTH); next }
    match($0, /\tAAAA IPv6 address = /) { print substr($0, 1, RSTART - 1) " AAAA " substr($0, RSTART + RLENGTH); next }
    /\ttext =$/ { txt_owner = substr($0, 1, index($0, "\t") - 1); next }
    /^\t[a-zA-Z ]+ += / {
      value = $0; sub(/^[^=]*= /, "", value); sub(/ .*/, "", value)
      soa = soa " " value
      if ($0 ~ /^\tdefault TTL/) { print soa_owner " SOA" soa; soa = "" }
      next
    }
    /^[^\t]+$/ { soa_owner = $0; soa = ""; next }
    { print "UNRECOGNISED " $0 }
    END { flush() }'
}

# The stand-in's Name:/Address(es):/Aliases: block as "name TYPE address" and "alias NAME" lines.
standin_addresses() {
  tr -d '\r' < "$tmp/out" | awk -v type="$1" '
    !body { if ($0 == "") body = 1; next }
    $0 == "" { next }
    /^Name:    / { name = substr($0, 10); next }
    /^Address(es)?:  / { mode = "addr"; sub(/^[^:]*:  /, ""); print name " " type " " $0; next }
    /^Aliases:  / { mode = "alias"; print "alias " substr($0, 11); next }
    /^\t  / { v = substr($0, 4); print (mode == "addr" ? name " " type " " v : "alias " v); next }
    { print "UNRECOGNISED " $0 }'
}

ask_dig() { dig @"$server" +noedns +tries=1 +time=2 "$@" < /dev/null; }

compare() {
  local what=$1
  sort "$tmp/got" > "$tmp/got.sorted"
  sort "$tmp/want" > "$tmp/want.sorted"
  if ! cmp -s "$tmp/got.sorted" "$tmp/want.sorted"; then
    fail "$what: stand-in and dig differ (< stand-in, > dig)"
    diff "$tmp/got.sorted" "$tmp/want.sorted" >&2 || true
  elif [ ! -s "$tmp/want.sorted" ]; then
    fail "$what: dig found nothing to compare"
  else
    printf '.'
  fi
}

check_answered() {
  [ "$rc" = 0 ] || fail "$*: exit status $rc"
  # The fixture server is authoritative, so no "Non-authoritative answer:" either.
  [ ! -s "$tmp/err" ] || fail "$*: unexpected stderr: $(cat "$tmp/err")"
  check_crlf "$@"
}

# One (name, type) in the records layout: every section the stand-in shows against dig's.
check_records() {
  local type=$1 name=$2
  standin -type="$type" "$name" "$server"
  check_answered "$type $name"
  standin_records > "$tmp/got"
  ask_dig +noall +answer +authority +additional -t "$type" "$name" | dig_records > "$tmp/want"
  compare "$type $name"
}

# An A or AAAA lookup in the Name:/Address: layout, against dig's answer section.
check_addresses() {
  local type=$1 name=$2
  standin -type="$type" "$name" "$server"
  check_answered "$type $name"
  standin_addresses "$type" > "$tmp/got"
  ask_dig +noall +answer -t "$type" "$name" | dig_records |
    awk '$2 == "CNAME" { print "alias " $1; next } { print }' > "$tmp/want"
  compare "$type $name (address layout)"
}

expect_error() {
  local message=$1
  shift
  standin "$@"
  [ "$rc" = 1 ] || fail "$*: exit status $rc, not 1"
  grep -qxF "$message" < <(tr -d '\r' < "$tmp/err") ||
    fail "$*: stderr lacks '$message'; it has: $(cat "$tmp/err")"
  check_crlf "$@"
  printf '.'
}

dig_status() { ask_dig -t "$1" "$2" | sed -n 's/.*status: \([A-Z]*\),.*/\1/p'; }

require_wineserver_here || exit 1
for tool in dig named-checkzone; do
  command -v "$tool" > /dev/null || { echo "e2e: $tool is missing (tools/setup installs it)" >&2; exit 1; }
done

# Every record of every fixture zone, taken from the zone files themselves.
for zone in dravelo.test 127.in-addr.arpa 2.0.192.in-addr.arpa; do
  named-checkzone -q -D -o - "$zone" "$here/fixture/$zone.zone" | dig_records
done > "$tmp/zone-records"
[ "$(wc -l < "$tmp/zone-records")" -gt 20 ] || { echo "e2e: could not read the fixture zones" >&2; exit 1; }

echo "stand-in against dig, record by record:"
while read -r owner type; do
  case $type in
    A|AAAA) check_addresses "$type" "$owner" ;;
    *) check_records "$type" "$owner" ;;
  esac
  # The zone's own records must all be in what the stand-in showed.
  awk -v o="$owner" -v t="$type" '$1 == o && $2 == t' "$tmp/zone-records" | sort > "$tmp/zone-these"
  if [ "$type" = A ] || [ "$type" = AAAA ]; then
    standin_addresses "$type" | sort > "$tmp/shown"
  else
    standin_records | sort > "$tmp/shown"
  fi
  missing=$(comm -23 "$tmp/zone-these" "$tmp/shown")
  [ -z "$missing" ] || fail "$type $owner: zone records not shown: $missing"
done < <(awk '{ print $1, $2 }' "$tmp/zone-records" | sort -u)

# Aliases in the address layout, as Dravelo asks for them.
check_addresses A www.dravelo.test
check_addresses A web.dravelo.test
check_records MX www.dravelo.test

# The type in any letter case.
standin -type=mX dravelo.test "$server"
check_answered "-type=mX"
standin_records > "$tmp/got"
ask_dig +noall +answer +authority +additional -t MX dravelo.test | dig_records > "$tmp/want"
compare "-type=mX"

# This reply does not fit in 512 bytes: over UDP it is truncated and the stand-in must go to TCP.
ask_dig +ignore +noall +comments -t TXT big.dravelo.test | grep -q 'flags:.* tc' ||
  fail "big.dravelo.test no longer comes back truncated over UDP; the TCP path goes untested"

# A bare address: the PTR lookup, shown in the address layout.
standin 127.0.0.1 "$server"
check_answered "127.0.0.1"
[ "$(tr -d '\r' < "$tmp/out" | sed -n 's/^Name:    //p')" = "$(ask_dig +short -x 127.0.0.1 | sed 's/\.$//')" ] ||
  fail "127.0.0.1: name differs from dig -x: $(cat "$tmp/out")"
tr -d '\r' < "$tmp/out" | grep -qx 'Address:  127.0.0.1' || fail "127.0.0.1: no Address line"
printf '.'

echo
echo "error paths:"
[ "$(dig_status A nosuch.dravelo.test)" = NXDOMAIN ] || fail "dig does not see NXDOMAIN"
expect_error "*** UnKnown can't find nosuch.dravelo.test: Non-existent domain" nosuch.dravelo.test "$server"
expect_error "*** UnKnown can't find nosuch.dravelo.test: Non-existent domain" -type=MX nosuch.dravelo.test "$server"
[ "$(dig_status A example.com)" = REFUSED ] || fail "dig does not see REFUSED"
expect_error "*** UnKnown can't find example.com: Query refused" -type=MX example.com "$server"
[ -z "$(ask_dig +short -t MX mail.dravelo.test)" ] || fail "mail.dravelo.test has an MX record now"
expect_error "*** UnKnown can't find mail.dravelo.test: No answer" -type=MX mail.dravelo.test "$server"
expect_error "*** Invalid domain name: a..dravelo.test (empty label)" a..dravelo.test "$server"
expect_error "*** Unknown query type: ANY" -type=ANY dravelo.test "$server"
expect_error "*** Can't find address for server dns.example: not an IPv4 address" dravelo.test dns.example
expect_error "Usage: nslookup [-type=TYPE] NAME [SERVER]"
# Nothing listens on 127.0.0.2: both tries time out.
expect_error "*** Request to UnKnown timed-out" dravelo.test 127.0.0.2
[ "$(tr -d '\r' < "$tmp/out" | grep -c '^DNS request timed out\.$')" = 2 ] ||
  fail "timeout: not two 'DNS request timed out.' notices: $(cat "$tmp/out")"
echo

if [ "$failures" -gt 0 ]; then
  echo "$failures failure(s)" >&2
  exit 1
fi
echo "all passed"
