#!/usr/bin/env bash
# kelvaner.exe is a GUI-subsystem program with its manifest (asInvoker, common controls 6), and the
# exit code of such a program reaches a batch file that starts it.
# Usage: gui_exit_code.sh KELVANER_EXE ECHO_ARGS_EXE (a GUI-subsystem program that exits with 7)
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
kelvaner=$1
echo_args=$2
fail=0
headers=$(x86_64-w64-mingw32-objdump -p "$kelvaner")
grep -q 'Subsystem.*Windows GUI' <<<"$headers" || { echo "FAIL: kelvaner.exe is not a GUI-subsystem program"; fail=1; }
resources=$(x86_64-w64-mingw32-objdump -s -j .rsrc "$kelvaner" | sed -E 's/^ [0-9a-f]+ ([0-9a-f ]{35}) +//' | tr -d '\n')
for want in 'level="asInvoker"' 'Microsoft.Windows.Common-Controls' 'version="6.0.0.0"'; do
  grep -qF "$want" <<<"$resources" || { echo "FAIL: the manifest lacks $want"; fail=1; }
done
headers=$(x86_64-w64-mingw32-objdump -p "$echo_args")
grep -q 'Subsystem.*Windows GUI' <<<"$headers" || { echo "FAIL: echo_args.exe is not a GUI-subsystem program"; fail=1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$echo_args" "$work/gui.exe"
printf '@echo off\r\n"%%~dp0gui.exe" uno dos\r\nexit /b %%errorlevel%%\r\n' >"$work/run.bat"
set +e
"$here/tools/wine-run" cmd /c "$(KELVANE_WINEPREFIX=${KELVANE_WINEPREFIX:-} "$here/tools/wine-run" winepath -w "$work/run.bat" 2>/dev/null | tr -d '\r')" </dev/null >/dev/null 2>&1
rc=$?
set -e
[ "$rc" -eq 7 ] || { echo "FAIL: the batch file read exit code $rc, not 7"; fail=1; }
[ "$(cat "$work/echo_args.txt" 2>/dev/null)" != "" ] || { echo "FAIL: the program did not run"; fail=1; }
[ $fail -eq 0 ] && echo "ok: GUI subsystem, manifest, exit code 7 through a batch file"
exit $fail
