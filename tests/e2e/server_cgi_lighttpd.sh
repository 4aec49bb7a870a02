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
# The standalone test's requests under each web server, and no other address runs the program.
for web in lighttpd apache; do
  start_kelvane_$web "$work" "$server" "$work/root" "$work/users.txt" || { echo "FAIL: $web did not start"; exit 1; }
  port_of=${web}_port pid_of=${web}_pid before=$fail
  port=${!port_of} pid=${!pid_of}
  bash "$here/server_standalone.sh" --check "http://127.0.0.1:$port/cgi-bin/updater" "$work" || fail=1
  for path in /cgi-bin/updater/x /cgi-bin/updater/; do
    code=$(curl -sS --max-time 10 -o /dev/null -w '%{http_code}' "http://127.0.0.1:$port$path")
    [ "$code" = 404 ] || { echo "FAIL: $web: $path -> HTTP $code (expected 404)"; fail=1; }
  done
  [ $fail = $before ] && echo "CGI server under $web: all requests answered as expected" ||
    { echo "$web error log:"; tail -20 "$work/lighttpd.log" "$work/apache/error.log" 2>/dev/null; }
  kill "$pid"; wait "$pid" 2>/dev/null; pid=
done
exit $fail
