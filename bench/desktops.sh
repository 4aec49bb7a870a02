#!/usr/bin/env bash
# A morning's start of 10,000 desktops against one update server: each sends the updater's status
# query and, told that there are newer files, asks for the list of a published application of 200
# files in 14 folders, 50 desktops at a time, with the credentials of one of 20 sites. Against the
# standalone kelvane-server, then against lighttpd running it as CGI through the shipped
# deploy/lighttpd-kelvane.conf; ROUNDS rounds (default 3), the two taking turns. Prints for each
# the requests per second, the 99th percentile of a request's latency and the time to serve all
# desktops (goal: within 5 minutes), as medians of the rounds. Loopback only; every wait bounded.
#   desktops.sh [SERVER] [LOAD_CLIENT]
#   (defaults: dist/kelvane-server; build/release/desktops_load, else build/host/desktops_load)
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
server=$(readlink -f "${1:-$here/../dist/kelvane-server}")
client=${2:-$here/../build/release/desktops_load}
[ -x "$client" ] || client=$here/../build/host/desktops_load
client=$(readlink -f "$client")
lighttpd=$(command -v lighttpd || echo /usr/sbin/lighttpd)
for p in "$server" "$client" "$lighttpd"; do
  [ -x "$p" ] || { echo "desktops: $p is missing (make dist builds the first two)"; exit 1; }
done
DESKTOPS=${DESKTOPS:-10000} AT_ONCE=${AT_ONCE:-50} ROUNDS=${ROUNDS:-3} SITES=20 GOAL_S=300

work=$(mktemp -d "${TMPDIR:-/tmp}/kelvane_desktops.XXXXXX")
pid=
stop() { [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; pid=; }
trap 'stop; rm -rf "$work"' EXIT

# The application: folder, how many files, name stem, extension, size in KiB. Sparse files: a
# list and a status query read only the folder entries and the files' sizes and times.
app=$work/root/app
while IFS='|' read -r folder count stem ext kib; do
  mkdir -p "$app/$folder"
  for n in $(seq -w 1 "$count"); do
    name=$stem$n.$ext
    [ "$count" = 1 ] && name=$stem.$ext
    truncate -s $(((kib + 37 * 10#$n) * 1024)) "$app/$folder/$name"
  done
done <<'FILES'
.|1|Kelvane Viewer|exe|4600
.|34|libviewer|dll|900
plugins/imageformats|9|qimage|dll|60
plugins/platforms|3|qplatform|dll|1200
plugins/sqldrivers|3|qsql|dll|140
lang|24|viewer_|qm|180
help|38|topic|html|24
help/images|41|figure|png|70
help/css|2|help|css|8
templates|15|report-template|xml|12
samples|12|sample project |kvp|300
data|10|catalog|dat|2000
fonts|5|ViewerSans|ttf|400
redist|3|vc_redist-|exe|14000
FILES
[ "$(find "$app" -type f | wc -l)" = 200 ] || { echo "desktops: the application is not 200 files"; exit 1; }
find "$app" -type f -exec touch -d '2024-03-04 05:06:07' {} +
touch -d '2024-05-02 18:00:00' "$app/Kelvane Viewer.exe" "$app/libviewer"0[1-4].dll

# The sites' passwords as the users file holds them, and as the updater sends them: scrambled
# with the user's name (base-32 digit pairs of each byte plus a key that shifts from the name).
python3 - "$work" "$SITES" <<'PY' || exit 1
import sys
work, sites = sys.argv[1], int(sys.argv[2])
digits = "0123456789abcdefghijklmnopqrstuv"
def scrambled(password, user):
    seed = sum(user.encode()) & 255
    key, out = seed, ""
    for b in password.encode():
        v = (b + key) & 255
        out += digits[v // 32] + digits[v % 32]
        key = ((key << 1) | seed) & 255
    return out
assert scrambled("s3cret", "ana") == "53532j322l34"
with open(f"{work}/users.txt", "w") as users, open(f"{work}/targets", "w") as targets:
    users.write("# user:password:folders\n")
    for s in range(1, sites + 1):
        user, password = f"site{s:02d}", f"Pw-{s * 7919:06d}"
        users.write(f"{user}:{password}:app\n")
        base = f"/cgi-bin/updater?view=12&user={user}&passw={scrambled(password, user)}&path=app"
        # Last updated on 1 April at 10:00: the newer files of 2 May make the answer "Fail".
        targets.write(f"{base}&downfile=none&date=20240401&time=36000000\n{base}\n")
PY
mapfile -t targets <"$work/targets"

start_standalone() {
  "$server" --listen 127.0.0.1:0 --root "$work/root" --users "$work/users.txt" \
    >"$work/standalone.out" 2>/dev/null &
  pid=$!
  port=
  for _ in $(seq 50); do
    port=$(sed -n 's/^listening on 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$work/standalone.out")
    [ -n "$port" ] && return 0
    sleep 0.1
  done
  echo "desktops: kelvane-server did not start"; return 1
}

source "$here/../tools/lighttpd-kelvane.sh"
start_lighttpd() {
  start_kelvane_lighttpd "$work" "$server" "$work/root" "$work/users.txt" >/dev/null || {
    echo "desktops: lighttpd did not start"; return 1; }
  port=$lighttpd_port pid=$lighttpd_pid
}

run() {  # name round
  "start_$1" || exit 1
  local bytes
  bytes=$(curl -s --max-time 10 -o /dev/null -w '%{size_download}' "http://127.0.0.1:$port${targets[1]}")
  # A header and 34 bytes an entry, beside the names: anything shorter is an error text.
  if [ "${bytes:-0}" -lt $((42 + 200 * 34)) ]; then
    echo "desktops: $1 answered the list with ${bytes:-no} bytes"; stop; exit 1
  fi
  timeout 700 "$client" "$port" "$DESKTOPS" "$AT_ONCE" "$bytes" "${targets[@]}" >"$work/$1.$2" 2>&1
  local rc=$?
  stop
  sed "s/^/  $1: /" "$work/$1.$2"
  [ $rc = 0 ] || { echo "desktops: $1 failed desktops (exit $rc)"; failed=1; }
}

echo "== $DESKTOPS desktops, $AT_ONCE at a time: status query, then the list of 200 files ($SITES sites)"
failed=0
for round in $(seq "$ROUNDS"); do
  echo "round $round"
  run standalone "$round"
  run lighttpd "$round"
done

median() {  # name field-pattern: the median over the rounds of the number the pattern takes
  sed -n "s|.*$2.*|\1|p" "$work/$1".* | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}
echo "== medians of $ROUNDS rounds"
for name in standalone lighttpd; do
  rate=$(median "$name" ': \([0-9]*\) requests/s')
  p99=$(median "$name" 'request ms: .* p99 \([0-9.]*\)  slowest')
  total=$(median "$name" 'failed, in \([0-9.]*\) s')
  label="kelvane-server standalone"
  [ "$name" = lighttpd ] && label="lighttpd + kelvane-server CGI"
  printf '%-29s %6s requests/s, p99 %7s ms, all %s desktops in %6s s (goal: within %s s)\n' \
    "$label:" "$rate" "$p99" "$DESKTOPS" "$total" "$GOAL_S"
  awk -v t="$total" -v g="$GOAL_S" 'BEGIN { exit !(t != "" && t <= g) }' || failed=1
done
exit $failed
