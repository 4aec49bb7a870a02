#!/usr/bin/env bash
# The real kelvaner.exe under Wine in its other runs: a program path (RUN starts the updated
# program, "none" starts nothing, DPATH asks the server: 124, 122, the network code; the relaunched
# copy starts nothing; a serious error is shown and the program still starts), default sources (a target below ProgramData, one outside
# the known folders, use SSH: 148), MODE:BATCH (no window during a whole update, the result in the
# exit code and the log; no credentials file; a read-only file, a mistyped MODE), and folder and share sources (a check,
# a source that is not there).
#   updater_runs.sh KELVANER_EXE WINDOW_DRIVER_EXE ECHO_ARGS_EXE SERVER
set -uo pipefail
kelvaner=$1 driver=$2 echo_args=$3 server=$(readlink -f "$4")
source "$(dirname "${BASH_SOURCE[0]}")/updater_lib.sh"

root=$work/root
mkdir -p "$root/shop/app" "$root/shop/locked" "$root/shop/big" "$root/updater/kelvanee2e/app" "$root/updater/default"
# The published program is a real one: started, it writes its command line beside itself.
cp "$echo_args" "$root/shop/app/app.exe"
printf 'read me' >"$root/shop/app/readme.txt"
: >"$root/shop/locked/locked.on"
head -c $((8 * 1024 * 1024)) /dev/urandom >"$root/shop/big/big.bin"
printf 'below ProgramData' >"$root/updater/kelvanee2e/app/pd.txt"
printf 'anywhere else' >"$root/updater/default/default.txt"
printf 'ana:s3cret:shop,updater,self\n' >"$work/users.txt"
# The credentials file made as for many desktops, without the form.
printf 's3cret\r\n' >"$work/password.txt"
"$server" credentials --user ana --password-file "$work/password.txt" --out "$bin/Kelvane" ||
  fail "kelvane-server credentials ended with $?"
start_server "$root" "$work/users.txt"
prefix=${KELVANE_WINEPREFIX:-$e2e_here/build/wineprefix}

wait_for() { for _ in $(seq 100); do [ -e "$1" ] && return 0; sleep 0.1; done; return 1; }
done_box=("wait=$INFO*" "texts=$INFO*" "press=$INFO*|Aceptar")
fatal_box=("wait=$FATAL*" "texts=$FATAL*" "press=$FATAL*|Aceptar")

# ---- program paths -------------------------------------------------------------------------
t1=$work/t1; mkdir -p "$t1"
run "wait=$INFO*" windows=kelvaner.exe "${done_box[@]}" -- "/RUN:'$(win "$t1")\\app.exe'" "/INPUT:'$base/shop/app'"
expect "RUN, signed in with the file kelvane-server credentials made: exit code" "$rc" 0
# The look at the display that the batch run is checked with sees an interactive run's box.
[ "$(grep -ac "^$INFO" "$work/driven")" -ge 1 ] && ok "the window list shows the completion box" ||
  fail "window list: $(cat "$work/driven")"
if wait_for "$t1/echo_args.txt"; then
  expect "RUN starts the updated program with its own name alone" "$(cat "$t1/echo_args.txt")" \
    "\"$(win "$t1")\\app.exe\""
else
  fail "RUN: the program was not started"
fi
state=$(cat "$wd/kelvane.dat" 2>/dev/null)
expect "with a program path kelvane.dat keeps six values" "$(tr -cd ',' <<<"$state" | wc -c)" 5
rm -f "$wd/kelvane.dat"

t2=$work/t2; mkdir -p "$t2"
run "${done_box[@]}" -- "/RUN:'$(win "$t2")\\NoNe'" "/INPUT:'$base/shop/app'"
expect "RUN none: exit code" "$rc" 0
sleep 1
[ -e "$t2/app.exe" ] && [ ! -e "$t2/echo_args.txt" ] && ok "RUN none updates and starts nothing" ||
  fail "RUN none: $(ls "$t2")"

# DPATH asks the status query alone, also elevated (under Wine every process is), its batch
# confirmation a yes, except in the relaunched copy. Words the run does not read are logged.
t3=$work/t3; mkdir -p "$t3"
cp "$bin/Kelvane" "$t3/Kelvane"  # DPATH reads the credentials from the program's folder
rm -f "$wd/kelvane.dat"
dpath=(/MODE:BATCH "/DPATH:'$(win "$t3")\\app.exe'" "/OUTPUT:'$(win "$t3")'")
asked() { echo "$(tail -n +$((seen + 1)) "$work/server.out" | grep -c downfile=none)/$(($(wc -l <"$work/server.out") - seen))"; }
seen=$(wc -l <"$work/server.out")
run -- "${dpath[@]}" "/INPUT:'$base/shop/app'" -confrim banana
expect "DPATH, never updated: code, queries/requests, target, ignored words named" \
  "$rc $(asked) $(ls -A "$t3") $(log_count 'switch: -confrim.$')$(log_count 'switch: banana.$')" "124 1/1 Kelvane 11"
run -- /MODE:BATCH "/RUN:'$(win "$t3")\\none'" "/INPUT:'$base/shop/app'"
seen=$(wc -l <"$work/server.out")
run -- "${dpath[@]}" "/INPUT:'$base/shop/app'"
expect "DPATH, nothing changed since the update: code, queries/requests" "$rc $(asked)" "122 1/1"
touch -d '+1 day' "$root/shop/app/readme.txt"
run -- "${dpath[@]}" "/INPUT:'$base/shop/app'"
expect "DPATH, a file changed since: code, queries/requests" "$rc $(asked)" "124 2/2"
run -- "${dpath[@]}" "/INPUT:'$base/shop/app'" /relaunched
expect "DPATH in the relaunched copy: code, no request" "$rc $(asked)" "124 2/2"
touch "$root/shop/app/readme.txt"
run -- "${dpath[@]}" "/INPUT:'http://127.0.0.1:9/shop/app'"
expect "DPATH, no server listening: its network code" "$rc" 139
# The relaunched copy leaves the program to the run that started it (not elevated: host tests).
t5=$work/t5; mkdir -p "$t5"
run "${done_box[@]}" -- /relaunched "/RUN:'$(win "$t5")\\app.exe'" "/INPUT:'$base/shop/app'"
sleep 1
expect "the relaunched copy updates and starts nothing" "$rc $(ls "$t5" | tr '\n' ' ')" "0 app.exe readme.txt "
rm -f "$wd/kelvane.dat"

t4=$work/t4; mkdir -p "$t4"
cp "$echo_args" "$t4/app.exe"
run "${fatal_box[@]}" -- "/RUN:'$(win "$t4")\\app.exe'" "/INPUT:'$base/shop/locked'"
expect "a serious error in a RUN update: exit code" "$rc" 0
grep -aq "locked.on" "$work/driven" && ok "the error box is shown" || fail "error box: $(cat "$work/driven")"
wait_for "$t4/echo_args.txt" && ok "the program starts after the error" || fail "the program was not started"

# ---- menus (the forms behind them need the window layer's form runner) ------------------------
# A plain run without config.txt opens the configuration editor's list instead of failing.
rm -f "$wd/config.txt"
run "wait=Seleccione su opci*" "texts=Seleccione su opci*" "key=Seleccione su opci*|esc" -- "/HOST:'${base#http://}'"
expect "no config.txt: the editor's result" "$rc" 0
grep -aqx "Nuevo" "$work/driven" && ok "no config.txt opens the configuration editor" || fail "editor: $(cat "$work/driven")"
# The administration menu: its three items, the editor and back, then "continue?" declined.
run "wait=Seleccione su opci*" "texts=Seleccione su opci*" "press=Seleccione su opci*|Configuración" \
    "wait=Seleccione su opci*" "sleep=300" "texts=Seleccione su opci*" "key=Seleccione su opci*|esc" \
    "sleep=300" "wait=Seleccione su opci*" "key=Seleccione su opci*|esc" \
    "wait=$INFO*" "texts=$INFO*" "press=$INFO*|No" -- /MODE:ADMIN
expect "administration menu left and the update declined" "$rc" 122
expect "the menu's items, the editor's, the question" "$(tr -d '\r' <"$work/driven" | iconv -f WINDOWS-1252 -t UTF-8)" \
  "$(printf 'Credenciales\nConfiguración\nPreferencias\nNuevo\nSí\nNo\n¿Continuar?')"

# ---- default sources -------------------------------------------------------------------------
pd=$prefix/drive_c/ProgramData/KelvaneE2E/App
rm -rf "$prefix/drive_c/ProgramData/KelvaneE2E"
mkdir -p "$pd"
run "${done_box[@]}" -- "/OUTPUT:'C:\\ProgramData\\KelvaneE2E\\App'" "/HOST:'${base#http://}'"
expect "below ProgramData: exit code" "$rc" 0
expect "below ProgramData the source is updater/kelvanee2e/app" "$(cat "$pd/pd.txt" 2>/dev/null)" "below ProgramData"
rm -rf "$prefix/drive_c/ProgramData/KelvaneE2E"

t6=$work/t6; mkdir -p "$t6"
run "${done_box[@]}" -- "/OUTPUT:'$(win "$t6")'" "/HOST:'${base#http://}'"
expect "outside the known folders the source is updater/default" "$(cat "$t6/default.txt" 2>/dev/null)" "anywhere else"

printf ',,,,1' >"$wd/kelvane.dat"
run "${fatal_box[@]}" -- "/OUTPUT:'$(win "$t6")'" "/HOST:'${base#http://}'"
expect "use SSH gives an https source, refused with 148" "$rc" 148
grep -aq "https://" "$work/driven" && ok "the box names https://" || fail "box: $(cat "$work/driven")"
rm -f "$wd/kelvane.dat"

# ---- MODE:BATCH ------------------------------------------------------------------------------
t8=$work/t8; mkdir -p "$t8"
(cd "$wd" && timeout 90 "$wine_run" "$bin/kelvaner.exe" /MODE:BATCH "/INPUT:'$base/shop/big'" "/OUTPUT:'$(win "$t8")'" \
   </dev/null >/dev/null 2>&1; echo $? >"$work/rc") &
job=$!
: >"$work/seen"
polls=0
while kill -0 $job 2>/dev/null; do
  "$wine_run" "$driver" windows=kelvaner.exe >>"$work/seen" 2>/dev/null
  polls=$((polls + 1))
done
wait $job
expect "MODE:BATCH: exit code" "$(cat "$work/rc")" 0
[ $polls -gt 0 ] && [ ! -s "$work/seen" ] && ok "MODE:BATCH: no window in $polls looks at the display" ||
  fail "MODE:BATCH: windows seen ($polls looks): $(sort -u "$work/seen")"
cmp -s "$root/shop/big/big.bin" "$t8/big.bin" && ok "MODE:BATCH updated the file" || fail "MODE:BATCH: big.bin differs"
expect "MODE:BATCH: the completion is in the log" "$(log_count 'concluida. 1 archivos actualizados')" 1

run -- /MODE:BATCH "/INPUT:'$base/shop/locked'" "/OUTPUT:'$(win "$t8")'"
expect "MODE:BATCH: an error is the exit code" "$rc" 175
# No credentials file: a batch run asks nobody and sends empty credentials, which a server without
# users answers; one with users refuses, the log naming the missing file.
mv "$bin/Kelvane" "$work/Kelvane.kept"
"$server" --listen 127.0.0.1:0 --root "$root" >"$work/open.out" 2>&1 &
open_pid=$!
t9=$work/t9; mkdir -p "$t9"
run -- /MODE:BATCH "/INPUT:'http://$(listening_address "$work/open.out")/shop/app'" "/OUTPUT:'$(win "$t9")'"
kill "$open_pid"; wait "$open_pid" 2>/dev/null
expect "no credentials file, a server without users: code, file" "$rc $(cat "$t9/readme.txt" 2>/dev/null)" "0 read me"
run -- /MODE:BATCH "/INPUT:'$base/shop/app'" "/OUTPUT:'$(win "$t9")'"
expect "no credentials file, a server with users: code, the log naming the file" \
  "$rc $(grep -acF "no credentials file: $(win "$bin")\\Kelvane" "$wd/UPlog.txt")" "175 1"
mv "$work/Kelvane.kept" "$bin/Kelvane"
[ "$(log_count 'locked.on')" -ge 1 ] && ok "MODE:BATCH: the error is in the log" || fail "no error in the log"

# A read-only file is not replaced: 131, and a batch run asks nobody for the elevated copy.
printf 'old' >"$t8/readme.txt"; touch -d '2020-01-01' "$t8/readme.txt"; chmod a-w "$t8/readme.txt"
run -- /MODE:BATCH "/INPUT:'$base/shop/app'" "/OUTPUT:'$(win "$t8")'"
expect "MODE:BATCH, a read-only file: exit code" "$rc" 131
expect "the read-only file keeps its bytes" "$(cat "$t8/readme.txt")" old
expect "the log says why nobody was asked" "$(log_count 'a batch run does not ask to run as administrator')" 1
chmod u+w "$t8/readme.txt"
# A full disk: 131 with the system's reason in the log, and nothing half-written left behind.
full=$work/full; mkdir -p "$full"
if mount -t tmpfs -o size=1m tmpfs "$full" 2>/dev/null; then
  run -- /MODE:BATCH "/INPUT:'$base/shop/big'" "/OUTPUT:'$(win "$full")'"
  expect "a full disk: exit code" "$rc" 131
  # The room is looked at before anything is fetched.
  [ "$(log_count 'disk full: the update needs')" -ge 1 ] && ok "the log says the disk is too small, and by how much" ||
    fail "no reason in the log: $(tail -c 600 "$wd/UPlog.txt")"
  expect "nothing half-written stays" "$(ls -A "$full")" ""
  expect "a full disk is no matter of rights" "$(log_count 'a batch run does not ask to run as administrator')" 1
  umount "$full"
else
  echo "skip: a full disk needs a tmpfs mount, which this machine refuses"
fi
# A mistyped MODE anywhere ends the start-up, also after a valid one; no box to press here.
run -- /MODE:BATCH /MODE:XYZ "/INPUT:'$base/shop/app'" "/OUTPUT:'$(win "$t8")'"
expect "a mistyped MODE after BATCH: exit code" "$rc" 163
expect "the log names it" "$(log_count 'MODE:XYZ')" 1

# ---- the running updater in the list ---------------------------------------------------------
# The folder being updated is the updater's own, and the list names the running kelvaner.exe.
# While it runs no other file may take its name, and renamed aside it would leave no program to
# start after a kill: the new one waits where it was staged and, started from there once the run
# has ended, takes the name in one rename. A kelvaner.exe stands under its name at every instant:
# killed once the journal is written (a kill point of the test), then the new one killed between
# linking the old one aside and taking its name (it inherits the kill point), the old one stands.
mkdir -p "$root/self"
{ cat "$bin/kelvaner.exe"; printf 'new build'; } >"$root/self/kelvaner.exe"
printf 'beside it' >"$root/self/readme.txt"
cp "$bin/kelvaner.exe" "$work/kelvaner.old"
self_update() { run -- /MODE:BATCH "/INPUT:'$base/self'" "/OUTPUT:'$(win "$bin")'"; }
new_in_place() { for _ in $(seq 100); do cmp -s "$root/self/kelvaner.exe" "$bin/kelvaner.exe" && return 0; sleep 0.2; done; return 1; }
KELVANE_KILL_AT=journal:1 self_update
expect "a self-update killed once its journal is written: exit code" "$rc" 137
cmp -s "$work/kelvaner.old" "$bin/kelvaner.exe" && ok "the old updater still stands under its name" || fail "after the kill: $(ls "$bin")"
KELVANE_KILL_AT=aside:1 self_update
expect "the next start finishes the rest: exit code" "$rc" 0
for _ in $(seq 100); do ls "$bin"/~kvstage/*/~kvo*.tmp >/dev/null 2>&1 && break; sleep 0.1; done
sleep 1
cmp -s "$work/kelvaner.old" "$bin/kelvaner.exe" && [ -e "$bin/~kvjournal.tmp" ] &&
  ok "the new updater killed before it took the name: the old one stands, the journal waits" || fail "after the second kill: $(ls -R "$bin")"
expect "the file beside it came" "$(cat "$bin/readme.txt" 2>/dev/null)" "beside it"
self_update
expect "the list names the running updater: exit code" "$rc" 0
new_in_place && ok "the new updater took its name once the old one had ended" || fail "the updater was not replaced"
self_update
expect "the new updater runs: exit code" "$rc" 0
expect "the next start left no old updater aside" "$(find "$bin" -name '~k*' | wc -l)" 0
# Without a kill: the commit leaves the new updater its name, which it takes after the run.
cp "$work/kelvaner.old" "$bin/kelvaner.exe"; touch -d 2020-01-01 "$bin/kelvaner.exe"
self_update
expect "a self-update: exit code" "$rc" 0
new_in_place && ok "the new updater took its name after the run" || fail "the updater was not replaced after the run"
cp "$work/kelvaner.old" "$bin/kelvaner.exe"

# ---- the commit's own files -------------------------------------------------------------------
# A server that chooses its names (a proxy renames a served file) lists the commit's journal: 163
# naming it, nothing installed.
mkdir -p "$root/shop/evil" "$work/tj"
printf 'journal' >"$root/shop/evil/zzzjournal.tmp"; printf 'a' >"$root/shop/evil/a.txt"
python3 "$e2e_here/tests/e2e/slow_proxy.py" "${base##*:}" 0 100000000 'zzzjournal.tmp=~kvjournal.tmp' >"$work/evil.out" 2>&1 &
evil_pid=$!
run -- /MODE:BATCH "/INPUT:'http://$(listening_address "$work/evil.out")/shop/evil'" "/OUTPUT:'$(win "$work/tj")'"
kill $evil_pid; wait $evil_pid 2>/dev/null
expect "a served ~kvjournal.tmp: exit code" "$rc" 163
expect "a served ~kvjournal.tmp: nothing installed" "$(ls -A "$work/tj")" ""
[ "$(log_count ': ~kvjournal\.tmp')" -ge 1 ] && ok "the log names it, refused in the list" || fail "no ~kvjournal.tmp in the log"
# A journal planted in the target naming paths outside it, one as a run of old wrote them: the
# next start touches nothing outside and says so.
out=$work/out; mkdir -p "$out"
printf 'key' >"$out/~kv000000000001.tmp"; printf 'victim' >"$out/victim.txt"; printf 'x' >"$out/~kv000000000002.tmp"
printf '%s\t%s\t%s\r\n' "$(win "$out")\~kv000000000001.tmp" "$(win "$bin")\Kelvane.pub" "$(win "$out")\~kvo000000000001.tmp" \
  '..\out\~kv000000000002.tmp' '..\out\victim.txt' '..\out\~kvo000000000002.tmp' >"$work/tj/~kvjournal.tmp"
run -- /MODE:BATCH "/INPUT:'http://127.0.0.1:1/shop/app'" "/OUTPUT:'$(win "$work/tj")'"
[ ! -e "$bin/Kelvane.pub" ] && [ "$(cat "$out/victim.txt")" = victim ] && [ "$(ls -A "$out" | wc -l)" = 3 ] &&
  ok "a planted journal touches nothing outside the target" || fail "outside the target: $(ls -A "$out" "$bin")"
expect "the log says why" "$(log_count 'Not acted on: .*2 entries naming paths outside')" 1

# ---- folder and share sources ----------------------------------------------------------------
src=$work/src dst=$work/dst
mkdir -p "$src" "$dst"
printf 'new' >"$src/new.txt"; touch -d '2024-02-02' "$src/new.txt"
printf 'v2' >"$src/changed.txt"; touch -d '2024-02-02' "$src/changed.txt"
printf 'v1' >"$dst/changed.txt"; touch -d '2024-01-01' "$dst/changed.txt"
printf 'source' >"$src/older.txt"; touch -d '2024-01-01' "$src/older.txt"
printf 'target' >"$dst/older.txt"; touch -d '2024-03-03' "$dst/older.txt"
printf 'mine' >"$dst/mine.txt"
mkdir -p "$src/lib/deep"
printf 'one' >"$src/lib/one.dll"; printf 'two' >"$src/lib/deep/two.dll"
run "${done_box[@]}" -- "/INPUT:'$(win "$src")'" "/OUTPUT:'$(win "$dst")'"
expect "folder source: exit code" "$rc" 0
grep -aq "concluida. 4 archivos actualizados" "$work/driven" && ok "folder source: 4 files, two levels of subfolders among them" ||
  fail "folder source: $(cat "$work/driven")"
same_file "$src/lib/one.dll" "$dst/lib/one.dll" && same_file "$src/lib/deep/two.dll" "$dst/lib/deep/two.dll" &&
  ok "the subfolders' files with their bytes and times" || fail "subfolder copies differ: $(find "$dst" | head)"
same_file "$src/new.txt" "$dst/new.txt" && same_file "$src/changed.txt" "$dst/changed.txt" &&
  ok "copies carry the source's bytes and time" || fail "folder source copies differ"
expect "a folder source keeps a newer target (mask 18)" "$(cat "$dst/older.txt")" target
expect "a file only in the target is kept" "$(cat "$dst/mine.txt")" mine
[ -z "$(find "$dst" -name '*.tmp')" ] && ok "no temporary file in the target" || fail "temporary files left"
run "${done_box[@]}" -- "/INPUT:'$(win "$src")'" "/OUTPUT:'$(win "$dst")'"
grep -aq "concluida. 0 archivos actualizados" "$work/driven" && ok "folder source: nothing on the second run" ||
  fail "second folder run: $(cat "$work/driven")"
: >"$src/locked.on"
printf 'newer still' >"$src/new.txt"
run "${fatal_box[@]}" -- "/INPUT:'$(win "$src")'" "/OUTPUT:'$(win "$dst")'"
expect "locked.on in a folder source: exit code" "$rc" 175
expect "locked.on: nothing copied" "$(cat "$dst/new.txt")" new
rm -f "$src/locked.on"

# A check from a folder copies nothing; a source that cannot be listed is no folder up to date.
printf 'newest' >"$src/new.txt"
run -- /MODE:BATCH "/DPATH:'$(win "$dst")\\app.exe'" "/INPUT:'$(win "$src")'" "/OUTPUT:'$(win "$dst")'"
expect "DPATH with a folder source: exit code" "$rc" 124
expect "DPATH with a folder source copies nothing" "$(cat "$dst/new.txt")" new
expect "DPATH logs what would change" "$(log_count 'Would update: .*new.txt')" 1
run -- /MODE:BATCH "/INPUT:'$(win "$work/no such source")'" "/OUTPUT:'$(win "$dst")'"
expect "a folder source that is not there: exit code" "$rc" 164
[ "$(log_count 'no such source')" -ge 1 ] && ok "the log names the missing source" || fail "no source in the log"
# A name the target would not keep as it is (Windows drops a trailing dot) ends the update with
# 163 before anything is copied, named in the log.
printf 'newest' >"$src/lib/deep/three.dll"; printf 'dot' >"$src/lib/deep/notes."
run -- /MODE:BATCH "/INPUT:'$(win "$src")'" "/OUTPUT:'$(win "$dst")'"
expect "a source name the target would not keep: exit code" "$rc" 163
[ ! -e "$dst/lib/deep/three.dll" ] && [ "$(cat "$dst/new.txt")" = new ] && ok "nothing copied" || fail "copied anyway"
[ "$(log_count 'notes.: not a name the target may take')" -ge 1 ] && ok "the log names it" || fail "unsafe name: log"
rm "$src/lib/deep/notes." "$src/lib/deep/three.dll"

# Wine has no network provider: a share's connection is refused (1222), which is 130.
run "${fatal_box[@]}" -- "/INPUT:'\\\\kelvane-e2e\\apps'" "/OUTPUT:'$(win "$dst")'"
expect "a UNC source under Wine: the refused connection" "$rc" 130
grep -aq 'kelvane-e2e' "$work/driven" && ok "the box names the share" || fail "box: $(cat "$work/driven")"
e2e_end
