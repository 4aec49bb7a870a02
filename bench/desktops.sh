#!/usr/bin/env bash
# A morning's start of 10,000 desktops against one update server, recorded in its fleet store and
# not: each asks, as kelvaner.exe does at start, for the list of a published application of 200
# files in 14 folders, a tenth of them then for the 3 files of a new release, 50 desktops at a
# time, with the credentials of one of 20 sites and the desktop's report headers. The desktops
# have known states (current, behind by one or two publications, failing with various codes,
# silent, clocks a day ahead). Against the standalone kelvane-server, then against lighttpd running
# it as CGI through the shipped deploy/lighttpd-kelvane.conf, each with recording off and on;
# ROUNDS rounds (default 3) taking turns. Prints for each the requests per second, the 99th
# percentile of a request's latency, the time to serve all desktops (goal: within 5 minutes) and
# the rows recorded, as medians of the rounds, and what recording costs (goal: at most 15% of the
# requests per second). Then over the store of the last round: the fleet command and the page
# (goal: under a second each) and how many desktops are classified as their known state (100%).
# Loopback only; every wait bounded.
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

# The publications: the first as made above, a second with two files newer, the third the new
# release that a tenth of the desktops fetch (3 small files changed). The digest of each list is
# what a desktop that installed it reports.
publish() {
  case $1 in
    2) touch -d '2024-05-20 09:00:00' "$app/lang/viewer_01.qm" "$app/help/topic01.html" ;;
    3) for f in lang/viewer_02.qm help/topic02.html templates/report-template02.xml; do
         truncate -s 20000 "$app/$f"; touch -d '2024-06-03 07:30:00' "$app/$f"; done ;;
  esac
}

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
with open(f"{work}/users.txt", "w") as users, open(f"{work}/sites", "w") as targets:
    users.write("# user:password:folders\nadmin:adm1n:*\n")
    for s in range(1, sites + 1):
        user, password = f"site{s:02d}", f"Pw-{s * 7919:06d}"
        users.write(f"{user}:{password}:app\n")
        targets.write(f"/cgi-bin/updater?view=12&user={user}&passw={scrambled(password, user)}&path=app\n")
PY
echo admin >"$work/admins.txt"
mapfile -t sites <"$work/sites"

start_standalone() {  # [FLEET]
  "$server" --listen 127.0.0.1:0 --root "$work/root" --users "$work/users.txt" ${1:+--fleet "$1" --admins "$work/admins.txt"} \
    >"$work/standalone.out" 2>"$work/standalone.err" &
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
start_lighttpd() {  # [FLEET]
  start_kelvane_lighttpd "$work" "$server" "$work/root" "$work/users.txt" "${1:-}" >/dev/null || {
    echo "desktops: lighttpd did not start"; return 1; }
  port=$lighttpd_port pid=$lighttpd_pid
}

# The lists' digests and sizes, publication by publication.
start_standalone || exit 1
for n in 1 2 3; do
  publish $n
  curl -s --max-time 10 "http://127.0.0.1:$port${sites[0]}" >"$work/list$n"
  [ "$(stat -c %s "$work/list$n")" -ge $((42 + 200 * 34)) ] || { echo "desktops: the list is an error text"; exit 1; }
done
stop

# The plan: one desktop a line, its headers and requests (desktops_load), and its known state.
python3 - "$work" "$DESKTOPS" "$SITES" <<'PY' || exit 1
import datetime, hashlib, os, sys
work, desktops, sites = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
targets = open(f"{work}/sites").read().split()
lists = [open(f"{work}/list{n}", "rb").read() for n in (1, 2, 3)]
digest = [hashlib.sha256(l).hexdigest() for l in lists]
release = ["lang/viewer_02.qm", "help/topic02.html", "templates/report-template02.xml"]
sizes = [42 + os.path.getsize(f"{work}/root/app/{f}") for f in release]
with open(f"{work}/plan", "w") as plan, open(f"{work}/known", "w") as known, open(f"{work}/silent", "w") as silent:
    for i in range(desktops):
        base = targets[i % sites]
        name, code, listed, state = f"DESK-{i:05d}", 0, digest[2], "current"
        requests = [f"{len(lists[2])} {base}"]
        r = (i * 7919) % 90
        if i % 10 == 0:   # brings the new release now: tells the list it had, one behind
            listed, state = digest[1], "behind"
            requests += [f"{size} {base}/&downfile={f}" for f, size in zip(release, sizes)]
        elif r < 45: pass
        elif r < 55: listed, state = digest[1], "behind"
        elif r < 62: listed, state = digest[0], "behind"
        elif r < 72: code, listed, state = (131, 134, 163, 175)[i % 4], digest[1 + i % 2], "failing"
        elif r < 82:
            state = "silent"
            silent.write(f"{name}\n")
        else:             # its clock a day ahead: a DPATH start's status query says so; still current
            tomorrow = datetime.date.today() + datetime.timedelta(days=1)
            requests.insert(0, f"2 {base}&downfile=none&date={tomorrow:%Y%m%d}&time=36000000")
        headers = [f"X-Kelvane-Machine: {name}", "X-Kelvane-Version: 1.4.0",
                   f"X-Kelvane-Previous-Exit: {code}", f"X-Kelvane-List: {listed}"]
        plan.write("\t".join(headers + requests) + "\n")
        known.write(f"{name} {state}\n")
PY

run() {  # name recording round
  local store=
  [ "$2" = on ] && store=$work/$1-on.db && rm -f "$store" "$store-wal" "$store-shm"
  "start_$1" "$store" || exit 1
  timeout 700 "$client" "$port" "$AT_ONCE" "$work/plan" >"$work/$1-$2.$3" 2>&1
  local rc=$?
  stop
  local rows=0
  # A CGI process records after its answer: the last ones may still be at it.
  for _ in $(seq 100); do pgrep -x -f "$server" >/dev/null || break; sleep 0.1; done
  [ -n "$store" ] && rows=$(sqlite3 "$store" 'SELECT count(*) FROM events' 2>/dev/null || echo 0)
  echo "rows recorded: $rows" >>"$work/$1-$2.$3"
  # What the server's log said about the store.
  local said
  said=$(cat "$work/standalone.err" "$work/lighttpd.log" "$work/lighttpd.out" 2>/dev/null | grep -a "not recorded" |
    sed 's/.*not recorded: //' | sort | uniq -c)
  [ -n "$said" ] && echo "store: $said" >>"$work/$1-$2.$3"
  [ $rc = 0 ] || cat "$work/standalone.err" "$work/lighttpd.log" "$work/lighttpd.out" 2>/dev/null | tail -5
  rm -f "$work/standalone.err" "$work/lighttpd.log" "$work/lighttpd.out"
  sed "s/^/  $1, recording $2: /" "$work/$1-$2.$3"
  [ $rc = 0 ] || { echo "desktops: $1 failed desktops (exit $rc)"; failed=1; }
}

echo "== $DESKTOPS desktops, $AT_ONCE at a time: the list of 200 files, a tenth then 3 files ($SITES sites)"
failed=0
for round in $(seq "$ROUNDS"); do
  echo "round $round"
  for name in standalone lighttpd; do
    run "$name" off "$round"
    run "$name" on "$round"
  done
done

median() {  # name field-pattern: the median over the rounds of the number the pattern takes
  sed -n "s|.*$2.*|\1|p" "$work/$1".* | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}
echo "== medians of $ROUNDS rounds"
declare -A rate
for name in standalone lighttpd; do
  label="kelvane-server standalone"
  [ "$name" = lighttpd ] && label="lighttpd + kelvane-server CGI"
  for recording in off on; do
    rate[${recording}]=$(median "$name-$recording" ': \([0-9]*\) requests/s')
    p99=$(median "$name-$recording" 'request ms: .* p99 \([0-9.]*\)  slowest')
    total=$(median "$name-$recording" 'failed, in \([0-9.]*\) s')
    rows=$(median "$name-$recording" 'rows recorded: \([0-9]*\)')
    printf '%-29s recording %-3s %6s requests/s, p99 %7s ms, all %s desktops in %6s s (goal: within %s s), %s rows recorded\n' \
      "$label:" "$recording" "${rate[$recording]}" "$p99" "$DESKTOPS" "$total" "$GOAL_S" "$rows"
    awk -v t="$total" -v g="$GOAL_S" 'BEGIN { exit !(t != "" && t <= g) }' || failed=1
  done
  cost=$(awk -v off="${rate[off]}" -v on="${rate[on]}" 'BEGIN { printf "%.1f", (off > 0 ? 100 * (1 - on / off) : 100) }')
  echo "$label: recording costs $cost% of the requests per second (goal: at most 15%)"
  awk -v c="$cost" 'BEGIN { exit !(c <= 15) }' || failed=1
done

# The view over the last round's standalone store, the silent desktops last seen 8 days ago.
store=$work/standalone-on.db
sqlite3 "$store" "CREATE TEMP TABLE silent(desktop TEXT); $(sed "s/.*/INSERT INTO silent VALUES('&');/" "$work/silent")
  UPDATE desktops SET last_seen = last_seen - 8 * 86400 WHERE desktop IN (SELECT desktop FROM silent);"
fleet=("$server" fleet --fleet "$store" --root "$work/root" --users "$work/users.txt")
t0=$(date +%s.%N); "${fleet[@]}" >"$work/table" || failed=1; t1=$(date +%s.%N)
"${fleet[@]}" --json >"$work/fleet.json" || failed=1
start_standalone "$store" || exit 1
page=$(curl -s -u admin:adm1n -o "$work/page.html" -w '%{http_code} %{time_total}' "http://127.0.0.1:$port/fleet")
stop
classified=$(python3 - "$work" <<'PY'
import json, sys
work = sys.argv[1]
known = dict(line.split() for line in open(f"{work}/known"))
seen = {d["desktop"]: d["state"] for d in json.load(open(f"{work}/fleet.json"))["desktops"] if d["desktop"] in known}
right = sum(1 for name, state in known.items() if seen.get(name) == state)
print(f"{right} {len(known)}")
PY
)
command_s=$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.2f", b - a }')
printf 'over the %s desktops: the fleet command %s s, the page (status %s) %s s (goal: under 1 s each)\n' \
  "$DESKTOPS" "$command_s" "${page% *}" "${page#* }"
awk -v a="$command_s" -v b="${page#* }" 'BEGIN { exit !(a < 1 && b < 1) }' && [ "${page% *}" = 200 ] || failed=1
echo "classified as their known state: ${classified% *} of ${classified#* } desktops"
[ "${classified% *}" = "${classified#* }" ] || failed=1
exit $failed
