#!/usr/bin/env bash
# Load bench of the standalone kelvane-server: 200 clients fetch lists and files at once (one
# list for every five files, as updates do) while 20 idle connections and 5 slow readers are
# held, then the same clients fetch the same bytes served statically by lighttpd under the same
# load. Prints the slowest ordinary request of each (target for kelvane-server: under 1 s) and
# their throughputs. Loopback only; every wait is bounded.
#   server_load.sh [SERVER] [LOAD_CLIENT]   (defaults: dist/kelvane-server, build/host/server_load)
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
server=$(readlink -f "${1:-$here/../dist/kelvane-server}")
client=$(readlink -f "${2:-$here/../build/host/server_load}")
lighttpd=$(command -v lighttpd || echo /usr/sbin/lighttpd)
for p in "$server" "$client" "$lighttpd"; do
  [ -x "$p" ] || { echo "server_load: $p is missing (make dist builds the first two)"; exit 1; }
done
CLIENTS=200 REQUESTS=6 IDLE=20 SLOW=5 FILES=1000

work=$(mktemp -d "${TMPDIR:-/tmp}/kelvane_server_load.XXXXXX")
pids=()
cleanup() {
  local p
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null && wait "$p" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/root/app"
head -c $((FILES * 4096)) /dev/urandom >"$work/all.bin"
(cd "$work/root/app" && split -a 4 -d -b 4096 ../../all.bin f && for f in f*; do mv "$f" "$f.bin"; done)
rm "$work/all.bin"
# The slow readers ask for a big file (sparse: it costs no disk, but every byte is summed).
truncate -s 64M "$work/root/big.bin"
# The server keeps checksums only of files that have not changed for a few seconds.
sleep 3

free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# Targets: every sixth a list, the others files; the slow readers' target last.
targets() {  # prefix of a list, prefix of a file, suffix of a file
  local k
  for k in $(seq 0 99); do
    if [ $((k % 6)) = 0 ]; then echo "$1"; else printf '%s%04d%s\n' "$2" $(((k * 37) % FILES)) "$3"; fi
  done
}

run_load() {  # name port slow-target targets...
  local name=$1 port=$2 slow=$3; shift 3
  echo "== $name: $CLIENTS clients x $REQUESTS requests, $IDLE idle connections, $SLOW slow readers"
  timeout 150 "$client" "$port" $CLIENTS $REQUESTS $IDLE $SLOW "$slow" "$@" | tee "$work/$name.out"
}

# ---- kelvane-server
"$server" --listen 127.0.0.1:0 --root "$work/root" >"$work/kelvane.stdout" 2>/dev/null &
pids+=($!)
port=
for _ in $(seq 50); do
  port=$(sed -n 's/^listening on 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$work/kelvane.stdout")
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "$port" ] || { echo "server_load: kelvane-server did not start"; exit 1; }
base="/cgi-bin/updater?view=12"
mapfile -t kt < <(targets "$base&path=app" "$base&path=app/&downfile=f" ".bin")
run_load kelvane-server "$port" "$base&path=.&downfile=big.bin" "${kt[@]}"
kelvane_rc=$?
# lighttpd serves the very bytes of the list answer from a file.
mkdir -p "$work/www"
curl -s --max-time 10 -o "$work/www/app.list" "http://127.0.0.1:$port$base&path=app"
kill "${pids[0]}"; wait "${pids[0]}" 2>/dev/null; pids=()
ln -s "$work/root/app" "$work/www/app"
ln -s "$work/root/big.bin" "$work/www/big.bin"

# ---- lighttpd, static
started=
for _ in 1 2 3; do
  lport=$(free_port)
  cat >"$work/lighttpd.conf" <<CONF
server.document-root = "$work/www"
server.bind = "127.0.0.1"
server.port = $lport
server.errorlog = "$work/lighttpd.log"
server.max-connections = 1024
server.max-fds = 4096
server.follow-symlink = "enable"
CONF
  "$lighttpd" -D -f "$work/lighttpd.conf" >/dev/null 2>&1 &
  pids=($!)
  for _ in $(seq 50); do
    if curl -s --max-time 2 -o /dev/null "http://127.0.0.1:$lport/app.list"; then started=1; break; fi
    kill -0 "${pids[0]}" 2>/dev/null || break
    sleep 0.1
  done
  [ -n "$started" ] && break
  kill "${pids[0]}" 2>/dev/null; wait "${pids[0]}" 2>/dev/null; pids=()
done
[ -n "$started" ] || { echo "server_load: lighttpd did not start"; exit 1; }
mapfile -t lt < <(targets "/app.list" "/app/f" ".bin")
run_load lighttpd "$lport" "/big.bin" "${lt[@]}"

slowest() { sed -n 's/.*slowest \([0-9.]*\).*/\1/p' "$work/$1.out"; }
rate() { sed -n 's/.*(\([0-9]*\)\/s).*/\1/p' "$work/$1.out"; }
ks=$(slowest kelvane-server) ls=$(slowest lighttpd) kr=$(rate kelvane-server) lr=$(rate lighttpd)
echo "== slowest ordinary request: kelvane-server ${ks:-?} ms (target < 1000), lighttpd ${ls:-?} ms"
if [ -n "$ks" ] && [ -n "$ls" ] && [ -n "$kr" ] && [ -n "$lr" ]; then
  awk -v ks="$ks" -v ls="$ls" -v kr="$kr" -v lr="$lr" 'BEGIN {
    printf "== kelvane-server/lighttpd: slowest %.2f, requests per second %.2f\n", ks / ls, kr / lr }'
fi
[ "$kelvane_rc" = 0 ] || { echo "server_load: kelvane-server failed requests"; exit 1; }
