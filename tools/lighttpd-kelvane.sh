# Sourced by the end-to-end test and the benchmark that run kelvane-server as a CGI program: starts
# Debian's lighttpd with the shipped deploy/lighttpd-kelvane.conf included as an administrator
# includes it (the main file sets only its variables, the address and the logs).
#   start_kelvane_lighttpd WORK SERVER ROOT USERS [FLEET]
# Sets lighttpd_port and lighttpd_pid (WORK/lighttpd.log is its error log); returns 1 when it did
# not start. A port found free can be taken by someone else before lighttpd binds it: it tries a few.

kelvane_lighttpd_snippet=$(readlink -f "$(dirname "${BASH_SOURCE[0]}")/../deploy/lighttpd-kelvane.conf")
source "$(dirname "${BASH_SOURCE[0]}")/web-server-up.sh"

start_kelvane_lighttpd() {
  local work=$1 server=$2 root=$3 users=$4 fleet=${5:-} lighttpd _
  lighttpd=$(command -v lighttpd || echo /usr/sbin/lighttpd)
  [ -x "$lighttpd" ] || { echo "lighttpd is not installed (make deps installs it)"; return 1; }
  mkdir -p "$work/www"
  for _ in 1 2 3; do
    lighttpd_port=$(free_port)
    cat >"$work/lighttpd.conf" <<CONF
server.document-root = "$work/www"
server.bind = "127.0.0.1"
server.port = $lighttpd_port
server.errorlog = "$work/lighttpd.log"
var.kelvane_server = "$server"
var.kelvane_root = "$root"
var.kelvane_users = "$users"
var.kelvane_fleet = "$fleet"
include "$kelvane_lighttpd_snippet"
CONF
    "$lighttpd" -D -f "$work/lighttpd.conf" >"$work/lighttpd.out" 2>&1 &
    lighttpd_pid=$!
    web_server_up "$lighttpd_port" "$lighttpd_pid" && return 0
    lighttpd_pid=
  done
  cat "$work/lighttpd.out" "$work/lighttpd.log" 2>/dev/null
  return 1
}
