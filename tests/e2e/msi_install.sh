#!/usr/bin/env bash
# The MSI as an administrator deploys it, under Wine's msiexec in a prefix of its own: installed
# where the README says, an update run from there, its copy never replaced by an update, a later
# MSI over it and over a copy that updated itself (one entry, the new file), and the uninstall.
#   msi_install.sh KELVANER_EXE PREFIX
set -uo pipefail
kelvaner=$(readlink -f "$1")
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
export KELVANE_WINEPREFIX=$(readlink -m "$2") WINEPREFIX=$(readlink -m "$2") WINEDEBUG=-all
work=$(mktemp -d "${TMPDIR:-/tmp}/kelvane_e2e_msi.XXXXXX")
failures=0 xvfb_pid=""
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
ok() { echo "ok: $*"; }
expect() { if [ "$2" == "$3" ]; then ok "$1"; else fail "$1: got '$2', expected '$3'"; fi; }
win() { local p; p=$(readlink -m "$1"); echo "Z:${p//\//\\}"; }
wine_run() { timeout -k 5 120 "$here/tools/wine-run" "$@" </dev/null >/dev/null 2>>"$work/wine.err"; }
entries() { wine uninstaller --list 2>/dev/null | tr -d '\r' | grep -c '|||Kelvane$'; }
log_count() { tr -d '\r' <"$data/UPlog.txt" 2>/dev/null | grep -ac "$1"; }
# Whatever an earlier run left installed goes first, by its product code.
uninstall_all() {
  local code
  for code in $(wine uninstaller --list 2>/dev/null | tr -d '\r' | sed -n 's/^\({[-0-9A-F]*}\)|||Kelvane$/\1/p'); do
    wine_run msiexec /x "$code" /qn
  done
  # and what the updater made in the folders.
  rm -rf "$WINEPREFIX/drive_c/Program Files/Kelvane" "$WINEPREFIX/drive_c/ProgramData/Kelvane"
}
cleanup() { uninstall_all; [ -n "$xvfb_pid" ] && kill "$xvfb_pid"; rm -rf "$work"; }
trap cleanup EXIT
source "$here/tools/x-display.sh"
start_display 221
"$here/tools/wine-prefix" >/dev/null || { echo "FAIL: no Wine prefix"; exit 1; }
uninstall_all

drive_c=$WINEPREFIX/drive_c
installed=$drive_c/Program\ Files/Kelvane/kelvaner.exe
data=$drive_c/ProgramData/Kelvane
version=$(head -n 1 "$here/VERSION")
IFS=. read -r major minor patch <<<"$version"
later=$major.$minor.$((patch + 1))
# The later program: the same build with the later version in its version resource.
python3 - "$kelvaner" "$work/later.exe" "$major" "$minor" "$((patch + 1))" <<'PY'
import struct, sys
data = bytearray(open(sys.argv[1], 'rb').read())
at = data.find(struct.pack('<I', 0xFEEF04BD))  # VS_FIXEDFILEINFO's signature
major, minor, patch = map(int, sys.argv[3:6])
struct.pack_into('<4I', data, at + 8, major << 16 | minor, patch << 16, major << 16 | minor, patch << 16)
open(sys.argv[2], 'wb').write(data)
PY
"$here/tools/build-msi" "$kelvaner" "$work/kelvane.msi" >/dev/null || { echo "FAIL: build-msi"; exit 1; }
"$here/tools/build-msi" "$work/later.exe" "$work/later.msi" "$later" >/dev/null || { echo "FAIL: build-msi $later"; exit 1; }

# kelvaner.exe from its installed place, as the scheduled task starts it: MODE:BATCH with the
# working folder under ProgramData.
run_installed() {
  wine_run "C:\\Program Files\\Kelvane\\kelvaner.exe" MODE:BATCH "APSTART:'C:\\ProgramData\\Kelvane'" "$@"
  rc=$?
}

# ---- the first install, and an update run from there -----------------------------------------
wine_run msiexec /i "$(win "$work/kelvane.msi")" /qn
expect "msiexec /i: exit code" "$?" 0
cmp -s "$kelvaner" "$installed" && ok "kelvaner.exe is in C:\\Program Files\\Kelvane" || fail "kelvaner.exe not installed"
[ -d "$data" ] && ok "the working folder C:\\ProgramData\\Kelvane is made" || fail "no C:\\ProgramData\\Kelvane"
expect "one entry in the uninstall list" "$(entries)" 1
mkdir -p "$work/src/lib" "$work/app"
printf 'new' >"$work/src/app.txt"; printf 'lib' >"$work/src/lib/one.dll"
# The scheduled task's command as deploy/kelvane-task.xml gives it, in its working folder, updates
# the applications of its config.txt.
printf "App-'%s,%s'\r\n" "$(win "$work/src")" "$(win "$work/app")" >"$data/config.txt"
task=$here/deploy/kelvane-task.xml
command=$(sed -n 's|.*<Command>"\(.*\)"</Command>.*|\1|p' "$task" | sed 's|%ProgramFiles%|C:\\Program Files|')
arguments=$(sed -n 's|.*<Arguments>\(.*\)</Arguments>.*|\1|p' "$task" | sed 's|%ProgramData%|C:\\ProgramData|g')
eval "arguments=($arguments)"
(cd "$data" && wine_run "$command" "${arguments[@]}")
expect "the scheduled task's command from the installed copy: exit code" "$?" 0
expect "it brought the files" "$(cat "$work/app/app.txt" "$work/app/lib/one.dll" 2>/dev/null)" newlib
expect "its log names its version" "$(log_count "Kelvaner by Orvik $version\$")" 1

# ---- an update never replaces the MSI's copy -------------------------------------------------
mkdir -p "$work/self"
{ cat "$kelvaner"; printf 'new build'; } >"$work/self/kelvaner.exe"
printf 'beside it' >"$work/self/readme.txt"
run_installed "INPUT:'$(win "$work/self")'" "OUTPUT:'C:\\Program Files\\Kelvane'"
expect "an update of the MSI's folder: exit code" "$rc" 0
cmp -s "$kelvaner" "$installed" && ok "the MSI's kelvaner.exe stays" || fail "an update replaced the MSI's kelvaner.exe"
expect "the log says why" "$(log_count "Not installed, the updater's own file: C:.Program Files.Kelvane.kelvaner.exe")" 1

# ---- a later MSI replaces it -----------------------------------------------------------------
wine_run msiexec /i "$(win "$work/later.msi")" /qn
expect "the later MSI: exit code" "$?" 0
cmp -s "$work/later.exe" "$installed" && ok "the later version's file is in place" || fail "the later MSI left another file"
expect "still one entry in the uninstall list" "$(entries)" 1
wine_run msiexec /i "$(win "$work/kelvane.msi")" /qn
[ $? != 0 ] && ok "the older MSI is refused over the later" || fail "the older MSI installed over the later"
cmp -s "$work/later.exe" "$installed" && ok "the later file stays" || fail "the older MSI replaced the later file"

# ---- the uninstall leaves only what the updater made -----------------------------------------
wine_run msiexec /x "$(win "$work/later.msi")" /qn
expect "msiexec /x: exit code" "$?" 0
expect "no entry in the uninstall list" "$(entries)" 0
# What the updater made stays: here the file the update of the MSI's folder brought beside it.
left() { find "$drive_c/Program Files/Kelvane" -type f ! -name '~kvo*.tmp' 2>/dev/null | sed 's|.*/||' | sort | tr '\n' ' '; }
expect "in C:\\Program Files\\Kelvane only what the updater made" "$(left)" "readme.txt "
wine reg query 'HKLM\Software\Orvik\Kelvane' /v InstalledProgram >/dev/null 2>&1 && fail "the registry value is left" ||
  ok "the registry value is gone"
[ -f "$data/UPlog.txt" ] && ok "the updater's log stays in C:\\ProgramData\\Kelvane" || fail "the updater's log went"

# ---- a later MSI over a copy that updated itself ---------------------------------------------
# Copied by hand, then updated by itself from a newer build of the same version: Windows Installer
# decides by the file's version, and the MSI's is later.
mkdir -p "$drive_c/Program Files/Kelvane"
cp "$kelvaner" "$installed"
touch -d 2020-01-01 "$installed"  # older than the build it updates itself from
run_installed "INPUT:'$(win "$work/self")'" "OUTPUT:'C:\\Program Files\\Kelvane'"
expect "a copy by hand updates itself: exit code" "$rc" 0
cmp -s "$work/self/kelvaner.exe" "$installed" && ok "the self-updated copy is in place" || fail "the copy did not update itself"
wine_run msiexec /i "$(win "$work/later.msi")" /qn
expect "the later MSI over the self-updated copy: exit code" "$?" 0
cmp -s "$work/later.exe" "$installed" && ok "the MSI's file replaced the self-updated one" || fail "the self-updated copy stayed"
expect "one entry in the uninstall list" "$(entries)" 1
wine_run msiexec /x "$(win "$work/later.msi")" /qn
[ -e "$installed" ] && fail "kelvaner.exe is left" || ok "the uninstall removed kelvaner.exe"
expect "in its folder only what the updater made" "$(left)" "readme.txt "

if [ $failures -eq 0 ]; then echo "all checks passed"; exit 0; fi
echo "$failures check(s) failed; log:"; tail -20 "$data/UPlog.txt" 2>/dev/null; tail -5 "$work/wine.err"
exit 1
