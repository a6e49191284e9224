#!/usr/bin/env bash
# Static checks of the 32-bit release exe, which cannot run on this machine: a 32-bit GUI PE that
# imports only system DLLs and carries the icon group DEFAULT_ICON and the application manifest.
set -uo pipefail
exe=$1
objdump=i686-w64-mingw32-objdump
failures=0
check() {  # check DESCRIPTION COMMAND...
  if "${@:2}" >/dev/null 2>&1; then echo "ok   $1"; else echo "FAIL $1"; failures=$((failures + 1)); fi
}
headers=$($objdump -p "$exe")
check "machine type is i386 (PE32)" grep -q 'file format pei-i386' <<<"$headers"
check "optional header is PE32" grep -qE 'Magic[[:space:]]+010b' <<<"$headers"
check "subsystem is Windows GUI" grep -qE 'Subsystem[[:space:]]+00000002' <<<"$headers"

system_dlls='^(kernel32|user32|gdi32|msvcrt|advapi32|comctl32|shell32|ws2_32|iphlpapi)\.dll$'
dlls=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers" | tr 'A-Z' 'a-z')
echo "     imports: $(echo $dlls)"
check "imports only system DLLs" bash -c "! grep -qvE '$system_dlls' <<<'$dlls'"

resources=$(sed -n '/Resource Directory section/,/Resources start/p' <<<"$headers")
check "icon group DEFAULT_ICON" grep -qE 'ID: 0x00000e' <<<"$resources"
check "icon group is named DEFAULT_ICON" grep -q ': DEFAULT_ICON,' <<<"$resources"
check "one icon image" grep -qE 'ID: 0x000003' <<<"$resources"
check "application manifest" grep -qE 'ID: 0x000018' <<<"$resources"
rsrc=$(mktemp)
i686-w64-mingw32-objcopy -O binary -j .rsrc "$exe" "$rsrc"
check "manifest binds Common-Controls 6.0.0.0" \
  grep -qa 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' "$rsrc"
check "manifest asks for asInvoker" grep -qa 'requestedExecutionLevel level="asInvoker"' "$rsrc"
rm -f "$rsrc"
echo "     size: $(stat -c %s "$exe") bytes"
exit $((failures > 0))
