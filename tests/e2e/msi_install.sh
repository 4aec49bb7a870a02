#!/usr/bin/env bash
# The MSI under Wine's msiexec, in a prefix of its own: installed where the README says, the
# scheduled task's command run from there, its file never replaced by an update, a later MSI over
# it and over a copy that updated itself (one entry, the new file), and the uninstall.
#   msi_install.sh KELVANER_EXE PREFIX
set -uo pipefail
kelvaner=$(readlink -f "$1") here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
export KELVANE_WINEPREFIX=$(readlink -m "$2") WINEPREFIX=$(readlink -m "$2") WINEDEBUG=-all
work=$(mktemp -d) failures=0 xvfb_pid=""
pf=$WINEPREFIX/drive_c/Program\ Files/Kelvane data=$WINEPREFIX/drive_c/ProgramData/Kelvane
installed=$pf/kelvaner.exe version=$(head -n 1 "$here/VERSION")
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect() { if [ "$2" == "$3" ]; then echo "ok: $1"; else fail "$1: got '$2', expected '$3'"; fi; }
same() { cmp -s "$2" "$installed" && echo "ok: $1" || fail "$1"; }
win() { local p; p=$(readlink -m "$1"); echo "Z:${p//\//\\}"; }
wine_run() { timeout -k 5 120 "$here/tools/wine-run" "$@" </dev/null >/dev/null 2>&1; }
msiexec() { wine_run msiexec "$1" "$(win "$2")" /qn; }
entries() { wine uninstaller --list 2>/dev/null | tr -d '\r' | grep -c '|||Kelvane$'; }
log_count() { tr -d '\r' <"$data/UPlog.txt" | grep -ac "$1"; }
left() { find "$pf" -type f ! -name '~kvo*.tmp' 2>/dev/null | sed 's|.*/||' | tr '\n' ' '; }
run_installed() { wine_run "C:\\Program Files\\Kelvane\\kelvaner.exe" "$@"; rc=$?; return $rc; }
# Whatever an earlier run left installed goes first, with what the updater made.
clean() {
  local code
  for code in $(wine uninstaller --list 2>/dev/null | tr -d '\r' | sed -n 's/^\({[-0-9A-F]*}\)|||Kelvane$/\1/p'); do
    wine_run msiexec /x "$code" /qn
  done
  rm -rf "$pf" "$data"
}
trap 'clean; [ -n "$xvfb_pid" ] && kill "$xvfb_pid"; rm -rf "$work"' EXIT
source "$here/tools/x-display.sh"
start_display 221
# Wine's services start with the first program and keep its streams: away from any pipe.
"$here/tools/wine-prefix" >/dev/null 2>&1 && wine_run cmd /c exit && clean || { echo "FAIL: no Wine prefix"; exit 1; }
# The later MSI holds the same build with the next patch version in its version resource.
IFS=. read -r major minor patch <<<"$version"
python3 -c 'import struct, sys; d = bytearray(open(sys.argv[1], "rb").read()); at = d.find(struct.pack("<I", 0xFEEF04BD))
v = [int(x) for x in sys.argv[3:]]; struct.pack_into("<4I", d, at + 8, *[v[0] << 16 | v[1], v[2] << 16] * 2)
open(sys.argv[2], "wb").write(d)' "$kelvaner" "$work/later.exe" "$major" "$minor" "$((patch + 1))"
"$here/tools/build-msi" "$kelvaner" "$work/kelvane.msi" >/dev/null &&
  "$here/tools/build-msi" "$work/later.exe" "$work/later.msi" "$major.$minor.$((patch + 1))" >/dev/null || exit 1

msiexec /i "$work/kelvane.msi" || fail "msiexec /i"; same "msiexec /i: kelvaner.exe is in C:\\Program Files\\Kelvane" "$kelvaner"
expect "one entry in the uninstall list" "$(entries)" 1
# The scheduled task's command, as deploy/kelvane-task.xml gives it, updates config.txt's application.
mkdir -p "$work/src/lib" "$work/app"
printf 'new' >"$work/src/app.txt"; printf 'lib' >"$work/src/lib/one.dll"
printf "App-'%s,%s'\r\n" "$(win "$work/src")" "$(win "$work/app")" >"$data/config.txt"
eval "arguments=($(sed -n 's|.*<Arguments>\(.*\)</Arguments>.*|\1|p' "$here/deploy/kelvane-task.xml"))"
cd "$data" && run_installed "${arguments[@]//%ProgramData%/C:\\ProgramData}"; cd "$work" || exit 1
expect "the scheduled task's command from C:\\Program Files\\Kelvane" "$rc:$(cat "$work/app/app.txt" "$work/app/lib/one.dll")" 0:newlib
expect "its log in C:\\ProgramData\\Kelvane names the version" "$(log_count "Kelvaner by Orvik $version\$")" 1

# An update of the MSI's folder installs all but the MSI's kelvaner.exe.
mkdir -p "$work/self"
{ cat "$kelvaner"; printf 'new build'; } >"$work/self/kelvaner.exe"
printf 'beside it' >"$work/self/readme.txt"
update_self() { run_installed MODE:BATCH "APSTART:'C:\\ProgramData\\Kelvane'" "INPUT:'$(win "$work/self")'" "OUTPUT:'C:\\Program Files\\Kelvane'"; }
update_self || fail "the update of the MSI's folder: $rc"; same "an update of the MSI's folder: the MSI's kelvaner.exe stays" "$kelvaner"
expect "the log says why" "$(log_count "Not installed, the updater's own file: C:.Program Files.Kelvane.kelvaner.exe")" 1

msiexec /i "$work/later.msi" || fail "msiexec /i later"; same "the later MSI: the later version's file is in place" "$work/later.exe"
expect "still one entry in the uninstall list" "$(entries)" 1
msiexec /i "$work/kelvane.msi" && fail "the earlier MSI installed over the later"
same "the later file stays" "$work/later.exe"
msiexec /x "$work/later.msi"; expect "msiexec /x: no entry in the uninstall list" "$(entries)" 0
expect "in C:\\Program Files\\Kelvane only what the updater made" "$(left)" "readme.txt "
wine reg query 'HKLM\Software\Orvik\Kelvane' /v InstalledProgram >/dev/null 2>&1 && fail "the registry value is left"

# A copy put there by hand updates itself from a newer build of the same version; the later MSI
# replaces it (Windows Installer decides by the file's version).
cp "$kelvaner" "$installed"; touch -d 2020-01-01 "$installed"
update_self
# The new file takes the name once the run has ended, in a process of its own: wait for it.
for _ in $(seq 100); do cmp -s "$work/self/kelvaner.exe" "$installed" && break; sleep 0.2; done
same "a copy by hand updated itself" "$work/self/kelvaner.exe"
msiexec /i "$work/later.msi"
same "the later MSI replaced the self-updated copy" "$work/later.exe"
expect "one entry in the uninstall list" "$(entries)" 1
msiexec /x "$work/later.msi"
expect "the uninstall removed kelvaner.exe, not what the updater made" "$(left)" "readme.txt "

[ $failures = 0 ] && { echo "all checks passed"; exit 0; }
tail -20 "$data/UPlog.txt"; exit 1
