#!/usr/bin/env bash
# kelvane-server as a CGI program behind Debian's lighttpd, configured by the shipped
# deploy/lighttpd-kelvane.conf as an administrator includes it (this main file sets only its
# variables, the address and the logs), addressed as /cgi-bin/updater the way the updater
# addresses it: the same requests and answers as the standalone test.
#   server_cgi_lighttpd.sh SERVER
set -uo pipefail
server=$(readlink -f "$1")
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

work=$(mktemp -d)
pid=
cleanup() { [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
bash "$here/server_standalone.sh" --fixture "$work"

source "$here/../../tools/lighttpd-kelvane.sh"
start_kelvane_lighttpd "$work" "$server" "$work/root" "$work/users.txt" || { echo "FAIL: lighttpd did not start"; exit 1; }
port=$lighttpd_port pid=$lighttpd_pid

fail=0
bash "$here/server_standalone.sh" --check "http://127.0.0.1:$port/cgi-bin/updater" "$work" || fail=1
# Only the updater's exact address runs the program: no other one may hand out its bytes.
for path in /cgi-bin/updater/x /cgi-bin/updater/; do
  code=$(curl -sS --max-time 10 -o /dev/null -w '%{http_code}' "http://127.0.0.1:$port$path")
  [ "$code" = 404 ] || { echo "FAIL: $path -> HTTP $code (expected 404)"; fail=1; }
done
if [ $fail != 0 ]; then echo "lighttpd error log:"; tail -20 "$work/lighttpd.log"; fi

kill "$pid"; wait "$pid" 2>/dev/null; pid=
[ $fail = 0 ] && echo "CGI server under lighttpd: all requests answered as expected"
exit $fail
