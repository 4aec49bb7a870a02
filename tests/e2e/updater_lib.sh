# Shared pieces of the end-to-end runs of kelvaner.exe under Wine (sourced, not run): a work
# folder with the program, its credentials file and a working folder; an X server when there is
# none; kelvane-server standalone; runs whose boxes the window driver answers; checks.
#
# Callers set kelvaner, driver, server (paths) before sourcing. Every run of kelvaner.exe has a
# time limit, so a box nobody answers fails the test instead of hanging it.

e2e_here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
wine_run=$e2e_here/tools/wine-run
work=$(mktemp -d "${TMPDIR:-/tmp}/kelvane_e2e_updater.XXXXXX")
bin=$work/bin            # kelvaner.exe and its credentials file "Kelvane"
wd=$work/wd              # the working folder: config.txt, kelvane.dat, UPlog.txt
mkdir -p "$bin" "$wd"
cp "$kelvaner" "$bin/kelvaner.exe"
export WINEDEBUG=-all
failures=0
server_pid=""
xvfb_pid=""

e2e_cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  [ -n "${KEEP_WORK:-}" ] || rm -rf "$work"
  return 0
}
trap e2e_cleanup EXIT

source "$e2e_here/tools/x-display.sh"
start_display 191
"$e2e_here/tools/wine-prefix" >/dev/null

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
ok() { echo "ok: $*"; }
# expect WHAT ACTUAL EXPECTED
expect() { if [ "$2" == "$3" ]; then ok "$1"; else fail "$1: got '$2', expected '$3'"; fi; }

# The Windows spelling of a Unix path (Wine's drive Z: is the Unix root).
win() { local p; p=$(readlink -m "$1"); echo "Z:${p//\//\\}"; }

# What the credentials form stores for a password: Scramble keyed by the user name's byte sum.
scrambled() {
  python3 - "$1" "$2" <<'PY'
import sys
password, user = sys.argv[1].encode('cp1252'), sys.argv[2].encode('cp1252')
seed = sum(user) & 0xff
k, out, digits = seed, '', '0123456789abcdefghijklmnopqrstuv'
for b in password:
    v = (b + k) & 0xff
    out += digits[v // 32] + digits[v % 32]
    k = ((k << 1) | seed) & 0xff
print(out)
PY
}
credentials() { printf "USER\$='%s'\r\nPASSW\$='%s'\r\n" "$1" "$(scrambled "$2" "$1")" >"$bin/Kelvane"; }

# listening_address OUTPUT: the host:port a server or proxy printed ("listening on ...") into the
# file OUTPUT, waited for up to 10 s; empty when it never came.
listening_address() {
  local address=""
  for _ in $(seq 100); do
    address=$(sed -n 's/^listening on \([0-9.]*:[0-9]*\).*/\1/p' "$1" | head -n 1)
    [ -n "$address" ] && break
    sleep 0.1
  done
  echo "$address"
}

# start_server ROOT [USERS]: kelvane-server standalone on a free port; sets base (http://host:port).
# server_args are added to its options, server_as goes before it (a user to run it as).
server_args=() server_as=()
start_server() {
  local users=()
  [ -n "${2:-}" ] && users=(--users "$2")
  "${server_as[@]}" "$server" --listen 127.0.0.1:0 --root "$1" "${users[@]}" "${server_args[@]}" >"$work/server.out" 2>&1 &
  server_pid=$!
  base=$(listening_address "$work/server.out")
  [ -n "$base" ] || { echo "FAIL: the server did not start"; cat "$work/server.out"; exit 1; }
  base="http://$base"
}

# run [DRIVER STEPS...] -- ARGS...: kelvaner.exe ARGS in the working folder while the window driver
# takes the steps (none: nothing is answered). Sets rc (the exit code, or "hung") and leaves what
# the driver printed in $work/driven.
run() {
  local steps=()
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do steps+=("$1"); shift; done
  shift
  local attempt
  for attempt in 1 2; do
    rm -f "$work/rc"
    (cd "$wd" && timeout -k 5 90 "$wine_run" "$bin/kelvaner.exe" "$@" </dev/null >/dev/null 2>"$work/stderr"
     echo $? >"$work/rc") &
    local job=$! start=$SECONDS
    : >"$work/driven"
    if [ ${#steps[@]} -gt 0 ]; then
      "$wine_run" "$driver" timeout=60000 "${steps[@]}" >"$work/driven" 2>"$work/driver.err" ||
        echo "driver: $(cat "$work/driver.err")" >>"$work/driven"
    fi
    wait $job
    rc=$(cat "$work/rc" 2>/dev/null || echo none)
    [ $((SECONDS - start)) -ge 90 ] && rc=hung
    # Xlib ends a Wine program whose X request failed with exit code 1, which is none of
    # kelvaner's own codes (0, and 120 up); seen under Xvfb without a window manager as a
    # BadWindow for a window already gone. Such a run, and only such a run, is made once more.
    if [ "$attempt" = 1 ] && [ "$rc" = 1 ] && grep -q 'X Error' "$work/stderr" 2>/dev/null; then
      echo "note: run repeated after Wine's X error: $(grep -m1 -A2 'X Error' "$work/stderr" | tr '\n' ' ')"
      sleep 1
      continue
    fi
    break
  done
  return 0
}
# Titles of the boxes (the driver matches titles ending in '*' by their beginning).
INFO="Solicitud de Informaci"  # information and yes/no boxes
FATAL="Alerta de Mensaje Fatal"

# Lines of the log.
log_count() { grep -ac "$1" "$wd/UPlog.txt" 2>/dev/null || true; }
same_file() { cmp -s "$1" "$2" && [ "$(stat -c %Y "$1")" = "$(stat -c %Y "$2")" ]; }

e2e_end() {
  if [ $failures -eq 0 ]; then echo "all checks passed"; exit 0; fi
  echo "$failures check(s) failed; log:"; cat "$wd/UPlog.txt" 2>/dev/null | tail -30
  exit 1
}
