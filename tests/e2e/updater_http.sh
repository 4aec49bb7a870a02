#!/usr/bin/env bash
# The real kelvaner.exe under Wine updates folders from kelvane-server, standalone, as CGI
# behind lighttpd, or as CGI of Apache through the shipped deploy/apache-kelvane.conf, answering its boxes with the window driver: every file with the server's bytes
# and times and the completion's count; nothing on the second run; newer target files replaced in
# a plain run; files only in the target kept; a lock file (175); a bad password (175 and the
# password reset); a file corrupted on the way (134, CGI only, old file kept); the report line of
# every run; the state record stamped only after a successful update.
#   updater_http.sh standalone|cgi|apache KELVANER_EXE WINDOW_DRIVER_EXE SERVER
set -uo pipefail
mode=${1:?usage: updater_http.sh standalone|cgi|apache KELVANER DRIVER SERVER}
kelvaner=$2 driver=$3 server=$(readlink -f "$4")
source "$(dirname "${BASH_SOURCE[0]}")/updater_lib.sh"

# The published application: three files, one in a subfolder, all of 2024-01-31 12:34:56.
root=$work/root
mkdir -p "$root/shop/app/sub" "$root/shop/locked"
printf 'program v1' >"$root/shop/app/app.exe"
printf 'read me\r\n' >"$root/shop/app/readme.txt"
head -c 20000 /dev/urandom >"$root/shop/app/sub/data.bin"
printf 'x' >"$root/shop/locked/x.txt"
: >"$root/shop/locked/locked.on"
touch -d '2024-01-31 12:34:56' "$root"/shop/app/app.exe "$root"/shop/app/readme.txt "$root"/shop/app/sub/data.bin \
  "$root"/shop/locked/x.txt
printf 'ana:s3cret:shop\n' >"$work/users.txt"
credentials ana s3cret

if [ "$mode" = cgi ]; then
  lighttpd=$(command -v lighttpd || echo /usr/sbin/lighttpd)
  [ -x "$lighttpd" ] || { echo "FAIL: lighttpd is not installed (make deps installs it)"; exit 1; }
  # The CGI program behind a wrapper that, once $work/spoil exists, spoils the last byte of one
  # file on its way out, as a broken proxy would: the transfer header's checksum no longer matches.
  cat >"$work/updater.cgi" <<CGI
#!/bin/sh
if [ -e "$work/spoil" ]; then
  case "\$QUERY_STRING" in
    *downfile=sub/data.bin*) "$server" | perl -0777 -pe 'substr(\$_, -1, 1) ^= "\\x40"'; exit ;;
  esac
fi
exec "$server"
CGI
  chmod +x "$work/updater.cgi"
  mkdir -p "$work/www"
  port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  cat >"$work/lighttpd.conf" <<CONF
server.modules = ("mod_alias", "mod_setenv", "mod_cgi")
server.document-root = "$work/www"
server.bind = "127.0.0.1"
server.port = $port
server.errorlog = "$work/lighttpd.log"
alias.url = ("/cgi-bin/updater" => "$work/updater.cgi")
\$HTTP["url"] =~ "^/cgi-bin/updater" { cgi.assign = ("" => "") }
setenv.add-environment = ("KELVANE_ROOT" => "$root", "KELVANE_USERS" => "$work/users.txt")
CONF
  "$lighttpd" -D -f "$work/lighttpd.conf" >"$work/lighttpd.out" 2>&1 &
  server_pid=$!
  for _ in $(seq 50); do curl -s --max-time 2 -o /dev/null "http://127.0.0.1:$port/" && break; sleep 0.1; done
  base="http://127.0.0.1:$port"
elif [ "$mode" = apache ]; then
  source "$e2e_here/tools/apache-kelvane.sh"
  start_kelvane_apache "$work" "$server" "$root" "$work/users.txt" || { echo "FAIL: apache2 did not start"; exit 1; }
  server_pid=$apache_pid base="http://127.0.0.1:$apache_port"
else
  start_server "$root" "$work/users.txt"
fi

target=$work/target
mkdir -p "$target"
printf 'mine' >"$target/mine.txt"
printf "Shop-'%s/shop/app,%s'\r\n" "$base" "$(win "$target")" >"$wd/config.txt"
runs=0

# 1. A fresh target gets every file, with the server's bytes and times; the box says how many.
run "wait=$INFO*" "texts=$INFO*" "press=$INFO*|Aceptar" -- ; runs=$((runs + 1))
expect "fresh target: exit code" "$rc" 0
grep -aq "concluida. 3 archivos actualizados" "$work/driven" && ok "the completion box counts 3 files" ||
  fail "completion box: $(cat "$work/driven")"
for f in app.exe readme.txt sub/data.bin; do
  same_file "$root/shop/app/$f" "$target/$f" && ok "$f: the server's bytes and time" || fail "$f differs"
done
state=$(cat "$wd/kelvane.dat" 2>/dev/null)
expect "plain run: kelvane.dat keeps five values" "$(tr -cd ',' <<<"$state" | wc -c)" 4
expect "plain run: stamped today" "$(cut -d, -f3 <<<"$state")" "$(date +%Y%m%d)"

# 2. The second run transfers nothing.
run "wait=$INFO*" "texts=$INFO*" "press=$INFO*|Aceptar" -- ; runs=$((runs + 1))
expect "second run: exit code" "$rc" 0
grep -aq "concluida. 0 archivos actualizados" "$work/driven" && ok "second run transfers nothing" ||
  fail "second run: $(cat "$work/driven")"

# 3. A newer target file is replaced in a plain run (mask 22), the old one kept as a backup.
printf 'edited here' >"$target/readme.txt"
run "wait=$INFO*" "press=$INFO*|Aceptar" -- ; runs=$((runs + 1))
expect "newer target: exit code" "$rc" 0
same_file "$root/shop/app/readme.txt" "$target/readme.txt" && ok "a newer target file is replaced" ||
  fail "the newer target file was not replaced"
backup=$(find "$wd/Backups" -name readme.txt 2>/dev/null | head -n 1)
[ -n "$backup" ] && expect "the replaced file is in the dated backup folder" "$(cat "$backup")" "edited here" ||
  fail "no backup of readme.txt below $wd/Backups"
expect "a file only in the target is never touched" "$(cat "$target/mine.txt")" mine

# 4. A lock file in the source: 175, shown, nothing copied, no stamp.
rm -f "$wd/kelvane.dat"
locked=$work/locked
mkdir -p "$locked"
run "wait=$FATAL*" "texts=$FATAL*" "press=$FATAL*|Aceptar" -- "/INPUT:'$base/shop/locked'" "/OUTPUT:'$(win "$locked")'"
runs=$((runs + 1))
expect "locked.on: exit code" "$rc" 175
grep -aq "passw=" "$work/driven" "$wd/UPlog.txt" && fail "the password travelled into a box or the log" ||
  ok "no request address in the box or the log"
[ -z "$(ls -A "$locked")" ] && ok "locked.on: nothing copied" || fail "locked.on: $(ls "$locked")"
[ ! -e "$wd/kelvane.dat" ] && ok "a failed update stamps nothing" || fail "kelvane.dat written after 175"

# 5. A bad password: 175, and the password reset offers the stored password, which is cleared.
credentials ana wrong
run "wait=Reinicio de contrase*" "texts=Reinicio de contrase*" "key=Reinicio de contrase*|space" \
    "press=Reinicio de contrase*|Aceptar" "wait=$INFO*" "press=$INFO*|Aceptar" \
    "wait=$FATAL*" "texts=$FATAL*" "press=$FATAL*|Aceptar" -- ; runs=$((runs + 1))
expect "bad password: exit code" "$rc" 175
grep -aq "Servidor desconocido" "$work/driven" && ok "the reset lists the unnamed server" ||
  fail "password reset: $(cat "$work/driven")"
grep -aq "PASSW\$=''" "$bin/Kelvane" && ok "the reset cleared the stored password" ||
  fail "credentials after the reset: $(cat "$bin/Kelvane")"
credentials ana s3cret

# 6. A file spoiled on its way (CGI): 134, the old file intact.
if [ "$mode" = cgi ]; then
  touch "$work/spoil"
  printf 'old data' >"$target/sub/data.bin"
  touch -d '2020-01-01' "$target/sub/data.bin"
  run "wait=$FATAL*" "texts=$FATAL*" "press=$FATAL*|Aceptar" -- ; runs=$((runs + 1))
  expect "corrupted file: exit code" "$rc" 134
  grep -aq "Bad CRC" "$work/driven" && ok "the box names the checksum" || fail "box: $(cat "$work/driven")"
  expect "corrupted file: the old file is intact" "$(cat "$target/sub/data.bin")" "old data"
  [ -z "$(find "$target" -name '*.tmp')" ] && ok "no temporary file left in the target" || fail "temporary files left"
fi

# 7. Every run wrote its report line, failures included.
expect "one Update Report line per run" "$(log_count 'Update Report:')" "$runs"
e2e_end
