#!/usr/bin/env bash
# The fleet end to end: three desktops (working folders of their own, machine names through the
# name's stand-in KELVANE_MACHINE_NAME) run the real kelvaner.exe under Wine as desktops start it,
# from a shortcut (RUN) and from a scheduled task (MODE:BATCH), against kelvane-server keeping a
# fleet store; the fleet command and the administrators' page, read by headless Chromium, say
# which is current, behind and failing. Then the store made unwritable, locked and damaged: the
# update still succeeds and the server's log names the store's problem.
#   updater_fleet.sh KELVANER_EXE WINDOW_DRIVER_EXE SERVER
set -uo pipefail
kelvaner=$1 driver=$2 server=$(readlink -f "$3")
source "$(dirname "${BASH_SOURCE[0]}")/updater_lib.sh"

root=$work/root app=$work/root/shop/app store=$work/fleet.db
mkdir -p "$app"
printf 'version 1' >"$app/readme.txt"
printf 'ana:s3cret:shop\nboss:b0ss:*\n' >"$work/users.txt"
echo boss >"$work/admins.txt"
credentials ana s3cret
server_args=(--fleet "$store" --admins "$work/admins.txt")
start_server "$root" "$work/users.txt"

# Desktop NAME: its own working folder and installed folder. start NAME: one start of it.
# The desktops: name | how it starts | its local clock
desktops="PC-ALBA|batch|right
PC-BRUNO|batch|right
PC-CLARA|shortcut|a day ahead"
start() {
  local name=$1 how clock target=$work/$1/app
  how=$(grep "^$name|" <<<"$desktops" | cut -d'|' -f2)
  clock=$(grep "^$name|" <<<"$desktops" | cut -d'|' -f3)
  wd=$work/$name/wd
  mkdir -p "$wd" "$target"
  export KELVANE_MACHINE_NAME=$name
  # Wine's local time follows TZ: a day ahead is what the desktop's clock says.
  if [ "$clock" = "a day ahead" ]; then export TZ=XXX-24; else unset TZ; fi
  if [ "$how" = shortcut ]; then
    run "wait=$INFO*" "press=$INFO*|Aceptar" -- "/RUN:'$(win "$target")\\NoNe'" "/INPUT:'$base/shop/app'"
  else
    run -- /MODE:BATCH "/INPUT:'$base/shop/app'" "/OUTPUT:'$(win "$target")'"
  fi
  unset KELVANE_MACHINE_NAME TZ
}
# state NAME: its state as the fleet command's JSON says it, with the exit code when failing.
# The server writes what it records every 200 ms: the store is read once it holds every request
# the server's log shows answered.
fleet() {
  local answered
  answered=$(grep -c '^GET view=' "$work/server.out")
  for _ in $(seq 50); do
    [ "$(sqlite3 "$store" 'SELECT count(*) FROM events' 2>/dev/null || echo 0)" -ge "$answered" ] && break
    sleep 0.1
  done
  "$server" fleet --fleet "$store" --root "$root" --users "$work/users.txt" "$@"
}
state() {
  fleet --json | python3 -c '
import json, sys
for d in json.load(sys.stdin)["desktops"]:
    if d["desktop"] == sys.argv[1]:
        print(d["state"] + (" %d" % d["exit_code"] if d["state"] == "failing" else ""))' "$1"
}

# The scenario: when | what happens | desktop | its exit code | then its state.
# A desktop tells how its run ended, and which list it installed, with its next start.
while IFS='|' read -r when what name code want; do
  case $what in
    publish) sleep 1; printf 'version 2, with release notes' >"$app/readme.txt"; continue ;;
    read-only) chmod a-w "$work/$name/app/readme.txt"; continue ;;
    none) continue ;;
  esac
  start "$name"
  expect "$when: $name started ($what): exit code" "$rc" "$code"
  [ -n "$want" ] && expect "$when: $name is" "$(state "$name")" "$want"
done <<'STEPS'
v1|start|PC-ALBA|0|behind
v1|start|PC-BRUNO|0|behind
v1|start again|PC-BRUNO|0|current
v1|start|PC-CLARA|0|behind
v2|publish||
v2|read-only|PC-ALBA||
v2|start|PC-ALBA|131|behind
v2|start again|PC-ALBA|131|failing 131
v2|start|PC-CLARA|0|behind
v2|start again|PC-CLARA|0|current
v2|none|PC-BRUNO||
STEPS
expect "the never updated desktop after the publication" "$(state PC-BRUNO)" behind
table=$(fleet)
for row in "PC-ALBA +shop/app +failing +131 " "PC-BRUNO +shop/app +behind +since " "PC-CLARA +shop/app +current "; do
  grep -Eq "^$row" <<<"$table" && ok "the table shows ${row//+/}" || fail "table: no '$row' in: $table"
done
grep -Eq "^shop/app +1 +1 +1 +0 +0 +no" <<<"$table" && ok "the folder's counts" || fail "folder counts: $table"
chmod -R u+w "$work/PC-ALBA"

# ---- the page in a real browser ------------------------------------------------------------
curl -s -o /dev/null -H 'X-Kelvane-Machine: <script>alert(1)</script>' "$base/cgi-bin/updater?view=12&path=shop/app"
fleet >/dev/null  # once it is recorded
chromium=$(command -v chromium || true)
if [ -z "$chromium" ]; then
  # Only where the package cannot be had: the rest of the test still counts.
  echo "note: the browser check is skipped: Debian's chromium is not installed (tools/install-deps installs it)"
else
  page() {  # page URL: the rendered DOM
    timeout 60 "$chromium" --headless --no-sandbox --disable-gpu --user-data-dir="$work/chromium" \
      --dump-dom "$1" 2>/dev/null
  }
  hostport=${base#http://}
  dom=$(page "http://boss:b0ss@$hostport/fleet?sort=desktop")
  rows=$(python3 -c '
import html.parser, sys
class Rows(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(); self.rows, self.cell, self.text = [], None, ""
    def handle_starttag(self, tag, attrs):
        if tag == "tr": self.rows.append([])
        if tag == "td": self.cell, self.text = True, ""
        if tag == "script": print("SCRIPT ELEMENT")
    def handle_endtag(self, tag):
        if tag == "td" and self.cell: self.rows[-1].append(self.text.strip()); self.cell = None
    def handle_data(self, data):
        if self.cell: self.text += data
p = Rows(); p.feed(sys.stdin.read())
for r in p.rows:
    if len(r) == 7: print(r[0] + "|" + r[2].split(" ")[0] + ("|" + r[5] if r[2].startswith("failing") else ""))
' <<<"$dom")
  expect "the page's rows, as Chromium renders them" "$rows" "$(printf '<script>alert(1)</script>|behind\nPC-ALBA|failing|131\nPC-BRUNO|behind\nPC-CLARA|current')"
  grep -q "SCRIPT ELEMENT" <<<"$rows" && fail "a machine name became a script"
  # Chromium shows nothing of a 401 page (it would ask for a password) and the text of a 403.
  for who in "|401|" "ana:s3cret@|403|403 Forbidden" "boss:wrong@|401|"; do
    IFS='|' read -r user status shows <<<"$who"
    code=$(curl -s -o /dev/null -w '%{http_code}' "http://$user$hostport/fleet")
    dom=$(page "http://$user$hostport/fleet")
    seen=$(grep -o "Kelvane fleet\|$status [A-Za-z]*" <<<"$dom" | head -n 1)
    expect "the page for '${user%@}': the status, and what the browser shows" "$code|$seen" "$status|$shows"
  done
fi

# What a desktop reports is its own: a list naming kelvane.rep where it lives does not replace it.
printf 'exit 0\r\n' >"$app/kelvane.rep"
wd=$work/PC-BRUNO/app
run -- /MODE:BATCH "/INPUT:'$base/shop/app'" "/OUTPUT:'$(win "$wd")'"
expect "a list naming kelvane.rep in the working folder: exit code" "$rc" 0
expect "kelvane.rep is not installed" "$(grep -ac "own file: .*kelvane.rep" "$wd/UPlog.txt")" 1
rm "$app/kelvane.rep"

# ---- the store's faults: the update is served all the same -----------------------------------
stop_server() { kill "$server_pid" 2>/dev/null; wait "$server_pid" 2>/dev/null; server_pid=; }
locker=
while IFS='|' read -r fault says; do
  stop_server
  rm -f "$store" "$store-wal" "$store-shm"
  sqlite3 "$store" 'PRAGMA journal_mode=WAL; CREATE TABLE kept(x);' >/dev/null
  server_as=()
  case $fault in
    unwritable)
      # Root writes whatever the modes say: the server runs as nobody, who may only read.
      chmod 755 "$work" && chmod -R o+rX "$root" && chmod o+r "$work/users.txt" "$work/admins.txt"
      chmod 444 "$store"
      [ "$(id -u)" = 0 ] && server_as=(setpriv --reuid=65534 --regid=65534 --clear-groups) ;;
    locked)
      : >"$work/locker.out"
      python3 -c 'import sqlite3, sys, time
c = sqlite3.connect(sys.argv[1], isolation_level=None); c.execute("BEGIN EXCLUSIVE")
print("locked", flush=True); time.sleep(120)' "$store" >"$work/locker.out" &
      locker=$!
      for _ in $(seq 50); do grep -q locked "$work/locker.out" && break; sleep 0.1; done ;;
    damaged)
      head -c 100 /dev/urandom | dd of="$store" conv=notrunc status=none ;;
  esac
  start_server "$root" "$work/users.txt"
  sleep 1  # a newer second: the list's times are whole seconds
  printf 'version for the %s store' "$fault" >"$app/readme.txt"
  start PC-BRUNO
  expect "the store $fault: the update's exit code" "$rc" 0
  expect "the store $fault: the file arrived" "$(cat "$work/PC-BRUNO/app/readme.txt")" "version for the $fault store"
  # The server writes its records from a thread of its own, after the store's timeout.
  for _ in $(seq 100); do grep -Eq "not recorded: ($says)" "$work/server.out" && break; sleep 0.1; done
  said=$(grep -Eo "fleet store .*request not recorded: ($says)" "$work/server.out" | head -n 1)
  [ -n "$said" ] && ok "the store $fault: the log says '${said##*: }'" || fail "the store $fault: the log says: $(cat "$work/server.out")"
  [ -n "$locker" ] && kill "$locker" 2>/dev/null && wait "$locker" 2>/dev/null
  locker=
done <<'FAULTS'
unwritable|attempt to write a readonly database|unable to open database file
locked|database is locked
damaged|file is not a database|database disk image is malformed
FAULTS
e2e_end
