#!/usr/bin/env bash
# kelvane-server as a CGI program behind Debian's lighttpd, configured by the shipped
# deploy/lighttpd-kelvane.conf as an administrator includes it (this main file sets only its
# variables, the address and the logs), addressed as /cgi-bin/updater the way the updater
# addresses it: the same requests and answers as the standalone test.
#   server_cgi_lighttpd.sh SERVER
set -uo pipefail
server=$(readlink -f "$1")
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
snippet=$(readlink -f "$here/../../deploy/lighttpd-kelvane.conf")
lighttpd=$(command -v lighttpd || echo /usr/sbin/lighttpd)
[ -x "$lighttpd" ] || { echo "FAIL: lighttpd is not installed (make deps installs it)"; exit 1; }

work=$(mktemp -d)
pid=
cleanup() { [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
bash "$here/server_standalone.sh" --fixture "$work"
mkdir -p "$work/www"

free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# A port found free can be taken by someone else before lighttpd binds it: try a few.
started=
for _ in 1 2 3; do
  port=$(free_port)
  cat >"$work/lighttpd.conf" <<CONF
server.document-root = "$work/www"
server.bind = "127.0.0.1"
server.port = $port
server.errorlog = "$work/error.log"
var.kelvane_server = "$server"
var.kelvane_root = "$work/root"
var.kelvane_users = "$work/users.txt"
include "$snippet"
CONF
  "$lighttpd" -D -f "$work/lighttpd.conf" >"$work/lighttpd.out" 2>&1 &
  pid=$!
  for _ in $(seq 50); do
    if curl -s --max-time 2 -o /dev/null "http://127.0.0.1:$port/"; then started=1; break; fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  [ -n "$started" ] && break
  kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; pid=
done
if [ -z "$started" ]; then
  echo "FAIL: lighttpd did not start"; cat "$work/lighttpd.out" "$work/error.log" 2>/dev/null; exit 1
fi

fail=0
bash "$here/server_standalone.sh" --check "http://127.0.0.1:$port/cgi-bin/updater" "$work" || fail=1
# Only the updater's exact address runs the program: no other one may hand out its bytes.
for path in /cgi-bin/updater/x /cgi-bin/updater/; do
  code=$(curl -sS --max-time 10 -o /dev/null -w '%{http_code}' "http://127.0.0.1:$port$path")
  [ "$code" = 404 ] || { echo "FAIL: $path -> HTTP $code (expected 404)"; fail=1; }
done
if [ $fail != 0 ]; then echo "lighttpd error log:"; tail -20 "$work/error.log"; fi

kill "$pid"; wait "$pid" 2>/dev/null; pid=
[ $fail = 0 ] && echo "CGI server under lighttpd: all requests answered as expected"
exit $fail
