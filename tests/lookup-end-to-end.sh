#!/usr/bin/env bash
# Real lookups end to end: a local BIND serves the fixture zone on 127.0.0.1, the stand-in
# nslookup is installed into the Wine prefix, and the real window looks up each record type with
# 127.0.0.1 as its resolver. Every record that dig gets from the same server must be shown.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
exe=$1 driver=$2
bench=$root/tools/wine-bench
dns=$root/tools/nslookup/dns-server
"$root/tools/nslookup/install-into-prefix" || exit 1
"$dns" start >/dev/null || exit 1
trap '"$bench" "$driver" close >/dev/null 2>&1; "$dns" stop >/dev/null 2>&1' EXIT
"$bench" "$exe" &
app=$!
for _ in $(seq 1 100); do "$bench" "$driver" >/dev/null 2>&1 && break; sleep 0.1; done

failures=0
shows() {  # shows TEXT: the output holds TEXT
  if grep -qF -- "$1" <<<"$output"; then echo "ok   $type $domain: $1"
  else echo "FAIL $type $domain: want '$1'"; failures=$((failures + 1)); fi
}
lookup() {  # lookup TYPE DOMAIN
  type=$1 domain=$2
  "$bench" "$driver" set resolver=127.0.0.1 "domain=$domain" >/dev/null
  "$bench" "$driver" pick "type=$type" >/dev/null
  output=$("$bench" "$driver" lookup 2>>"$timings" | tr -d '\r')
}
timings=$(mktemp)
for case in "MX dravelo.test" "A dravelo.test" "CNAME www.dravelo.test" "NS dravelo.test"; do
  set -- $case
  lookup "$1" "$2"
  records=$(dig @127.0.0.1 +short "$1" "$2")
  [ -n "$records" ] || { echo "FAIL dig found no $1 for $2"; failures=$((failures + 1)); }
  while read -r record; do
    [ -n "$record" ] || continue
    case $1 in
      MX) shows "MX preference = ${record%% *}, mail exchanger = $(sed 's/\.$//' <<<"${record#* }")" ;;
      A) shows "$record" ;;
      CNAME) shows "canonical name = ${record%.}" ;;
      NS) shows "nameserver = ${record%.}" ;;
    esac
  done <<<"$records"
done
lookup A nosuch.dravelo.test
shows "Non-existent domain"
echo "click to output shown: $(tr '\n' ' ' <"$timings")"
rm -f "$timings"
"$bench" "$driver" close >/dev/null
wait $app
exit $((failures > 0))
