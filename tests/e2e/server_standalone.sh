#!/usr/bin/env bash
# kelvane-server in its standalone mode answers the updater's requests over real HTTP: status,
# list, file, refused credentials and paths, links into private folders; it keeps credentials out
# of its log, refuses to start with an empty users setting, and stops on SIGTERM.
#   server_standalone.sh SERVER            the whole test against SERVER --listen 127.0.0.1:0
#   server_standalone.sh --fixture DIR     only writes the published tree and users file to DIR
#   server_standalone.sh --check URL DIR   only runs the requests against URL (.../cgi-bin/updater)
# The CGI test under lighttpd uses the last two, so both modes face the same requests.
set -uo pipefail

# What the updater's credentials form stores (and sends) for user ana, password s3cret.
ANA_PASSW=53532j322l34

fixture() {
  local dir=$1
  mkdir -p "$dir/root/shop/app/sub" "$dir/root/demo" "$dir/root/empty" "$dir/outside"
  printf 'hello' >"$dir/root/shop/app/a.txt"
  head -c 5000 /dev/urandom >"$dir/root/shop/app/sub/b.bin"
  printf 'spaced' >"$dir/root/shop/app/my file.txt"
  printf 'demo' >"$dir/root/demo/d.txt"
  printf 'secret' >"$dir/outside/secret.txt"
  ln -s "$dir/outside" "$dir/root/shop/escape"
  # Links in the public folder to ana's file and folder: they must not open them to anyone else.
  ln -s ../shop/app/a.txt "$dir/root/demo/inlink"
  ln -s ../shop/app "$dir/root/demo/privdir"
  touch -d '2024-01-31 12:34:56' "$dir/root/shop/app/a.txt"
  touch -d '2024-01-30 08:00:00' "$dir/root/shop/app/sub/b.bin" "$dir/root/shop/app/my file.txt"
  printf '# users of the test server\nana:s3cret:shop\n*::demo,empty\n' >"$dir/users.txt"
}

# The checksum of the transfer over the bytes of a file: blocks of 1024, byte j weighs j + 1.
checksum() {
  od -An -v -tu1 -w1 "$1" | awk '{ j = (NR - 1) % 1024; s += $1 * (j + 1); if (s > 2147483647) s -= 2147483647 } END { print s + 0 }'
}

check() {
  local url=$1 dir=$2 fail=0
  local out="$dir/answer"
  local cred="user=ana&passw=$ANA_PASSW"
  ask() { curl -sS --max-time 10 -o "$out" -w '%{http_code}' "$url?view=12&$1"; }
  expect_text() {  # query, expected body
    local code; code=$(ask "$1")
    if [ "$code" != 200 ] || [ "$(cat "$out")" != "$2" ]; then
      echo "FAIL: $1 -> HTTP $code, '$(head -c 200 "$out")' (expected '$2')"; fail=1
    fi
  }
  expect_file() {  # query, file whose bytes must come after the header
    local code; code=$(ask "$1")
    local size; size=$(stat -c %s "$2")
    if [ "$code" != 200 ] || ! tail -c +43 "$out" | cmp -s - "$2" ||
       [ "$(head -c 12 "$out" | tr -d ' ')" != "$size" ] ||
       [ "$(head -c 42 "$out" | tail -c 10 | tr -d ' ')" != "$(checksum "$2")" ]; then
      echo "FAIL: $1 -> HTTP $code, header '$(head -c 42 "$out")'"; fail=1
    fi
  }

  expect_text "$cred&path=shop/app&downfile=none&date=0&time=0" "Fail"
  expect_text "$cred&path=shop/app&downfile=none&date=20240131&time=12:34:56" "OK"
  expect_text "$cred&path=shop/app&downfile=none&date=20240131&time=45296000" "OK"
  expect_text "$cred&path=shop/app&downfile=none&date=20240131&time=12:34:55" "Fail"

  # The list: header, then the names block (length, names with NUL and '\'), then 34 per entry.
  local code names expected; code=$(ask "$cred&path=shop/app")
  names=$(tail -c +43 "$out" | tr '\0' '|')
  expected='   27a.txt|my file.txt|sub\b.bin'
  if [ "$code" != 200 ] || [ "${names:0:32}" != "$expected" ] ||
     [ "$(stat -c %s "$out")" != $((42 + 32 + 3 * 34)) ] ||
     [ "$(tail -c +43 "$out" | tail -c 102 | head -c 34)" != "32           5  20240131  45296000" ]; then
    echo "FAIL: list -> HTTP $code, '$names'"; fail=1
  fi

  expect_file "$cred&path=shop/app/&downfile=a.txt" "$dir/root/shop/app/a.txt"
  expect_file "$cred&path=shop/app/&downfile=sub/b.bin" "$dir/root/shop/app/sub/b.bin"
  expect_file "$cred&path=shop/app/&downfile=my%20file.txt" "$dir/root/shop/app/my file.txt"
  expect_file "path=demo/&downfile=d.txt" "$dir/root/demo/d.txt"

  # Links inside the root: access is decided where they lead. Anyone sees only d.txt in demo;
  # ana, who may read shop, also the linked file (the linked folder is not entered).
  expect_text "path=demo/&downfile=inlink" "Error #175.Permission Denied"
  expect_text "path=demo/privdir" "Error #175.Permission Denied"
  expect_text "path=demo/privdir/&downfile=a.txt" "Error #175.Permission Denied"
  expect_file "$cred&path=demo/&downfile=inlink" "$dir/root/shop/app/a.txt"
  local who
  for who in "" "$cred&"; do
    code=$(ask "${who}path=demo")
    names=$(tail -c +43 "$out" | head -c 30 | tr '\0' '|')
    expected='    5d.txt'
    [ -n "$who" ] && expected='   12d.txt|inlink'
    if [ "$code" != 200 ] || [ "${names:0:${#expected}}" != "$expected" ]; then
      echo "FAIL: list of demo (${who:-anyone}) -> HTTP $code, '$names' (expected '$expected')"; fail=1
    fi
  done

  expect_text "user=ana&passw=00&path=shop/app" "Error #175.Permission Denied"
  expect_text "path=shop/app" "Error #175.Permission Denied"
  expect_text "user=bob&passw=$ANA_PASSW&path=shop/app/&downfile=a.txt" "Error #175.Permission Denied"
  expect_text "$cred&path=shop/../../etc" "Error #163.Bad input data"
  expect_text "$cred&path=shop/escape" "Error #163.Bad input data"
  expect_text "$cred&path=shop/app/&downfile=../../demo/d.txt" "Error #163.Bad input data"
  expect_text "$cred&path=shop/missing" "Error #164.File Not Found"
  expect_text "$cred&path=shop/app/&downfile=gone.txt" "Error #164.File Not Found"
  expect_text "path=empty&downfile=none&date=0&time=0" "OK"
  expect_text "$cred&path=shop/app&downfile=none&date=%zz" "Error #163.Bad input data"
  expect_text "user=ana" "Error #163.Bad input data"
  return $fail
}

case "${1:-}" in
  --fixture) fixture "$2"; exit 0 ;;
  --check) check "$2" "$3"; exit $? ;;
esac

server=$1
work=$(mktemp -d)
pid=
cleanup() { [ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
fixture "$work"

"$server" --listen 127.0.0.1:0 --root "$work/root" --users "$work/users.txt" \
  >"$work/stdout" 2>"$work/stderr" &
pid=$!
port=
for _ in $(seq 50); do
  port=$(sed -n 's/^listening on 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$work/stdout")
  [ -n "$port" ] && break
  sleep 0.1
done
if [ -z "$port" ]; then echo "FAIL: the server did not report its address"; cat "$work/stderr"; exit 1; fi

fail=0
check "http://127.0.0.1:$port/cgi-bin/updater" "$work" || fail=1
code=$(curl -sS --max-time 10 -o /dev/null -w '%{http_code}' "http://127.0.0.1:$port/other")
[ "$code" = 404 ] || { echo "FAIL: /other -> HTTP $code"; fail=1; }

# The log names every request, but never a password.
if grep -q "$ANA_PASSW" "$work/stderr" || ! grep -q 'passw=\*\*\*' "$work/stderr"; then
  echo "FAIL: credentials in the log:"; grep passw "$work/stderr" | head -3; fail=1
fi

kill -TERM "$pid"
for _ in $(seq 30); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$pid" 2>/dev/null; then echo "FAIL: the server did not stop on SIGTERM"; fail=1; fi
wait "$pid"; rc=$?
pid=
[ "$rc" = 0 ] || { echo "FAIL: exit code $rc after SIGTERM"; cat "$work/stderr"; fail=1; }
# A users setting that is given but empty is a mistake, not a wish to publish every folder.
rc=0; timeout 10 "$server" --listen 127.0.0.1:0 --root "$work/root" --users '' >"$work/empty.out" 2>&1 || rc=$?
if [ "$rc" != 2 ] || grep -q '^listening' "$work/empty.out"; then
  echo "FAIL: --users '' -> exit $rc: $(head -2 "$work/empty.out")"; fail=1
fi
cgi=$(GATEWAY_INTERFACE=CGI/1.1 KELVANE_ROOT="$work/root" KELVANE_USERS= QUERY_STRING="path=demo" \
      REQUEST_METHOD=GET timeout 10 "$server" 2>/dev/null | head -1 | tr -d '\r')
[ "$cgi" = "Status: 500 Internal Server Error" ] || { echo "FAIL: CGI with KELVANE_USERS= -> '$cgi'"; fail=1; }

[ $fail = 0 ] && echo "standalone server: all requests answered as expected"
exit $fail
