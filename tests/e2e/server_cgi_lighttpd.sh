#!/usr/bin/env bash
# kelvane-server as a CGI program behind Debian's lighttpd and Debian's apache2, each configured
# by the shipped deploy/ file as an administrator includes it (the main file sets only its
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
source "$here/../../tools/apache-kelvane.sh"

fail=0
# check NAME PORT LOG: the standalone test's requests, and no other address runs the program.
check() {
  local name=$1 port=$2 log=$3 path code before=$fail
  bash "$here/server_standalone.sh" --check "http://127.0.0.1:$port/cgi-bin/updater" "$work" || fail=1
  for path in /cgi-bin/updater/x /cgi-bin/updater/; do
    code=$(curl -sS --max-time 10 -o "$work/other" -w '%{http_code}' "http://127.0.0.1:$port$path")
    [ "$code" = 404 ] || { echo "FAIL: $name: $path -> HTTP $code (expected 404)"; fail=1; }
    grep -q "ELF" "$work/other" && { echo "FAIL: $name: $path answered with the program's bytes"; fail=1; }
  done
  if [ $fail != $before ]; then echo "$name error log:"; tail -20 "$log"; else echo "CGI server under $name: all requests answered as expected"; fi
}

start_kelvane_lighttpd "$work" "$server" "$work/root" "$work/users.txt" || { echo "FAIL: lighttpd did not start"; exit 1; }
pid=$lighttpd_pid
check lighttpd "$lighttpd_port" "$work/lighttpd.log"
kill "$pid"; wait "$pid" 2>/dev/null; pid=

start_kelvane_apache "$work" "$server" "$work/root" "$work/users.txt" || { echo "FAIL: apache2 did not start"; exit 1; }
pid=$apache_pid
check apache2 "$apache_port" "$work/apache/error.log"
kill "$pid"; wait "$pid" 2>/dev/null; pid=
exit $fail
