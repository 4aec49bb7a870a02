#!/usr/bin/env bash
# kelvaner.exe updates a folder from kelvane-server run as CGI by Debian's apache2 through the
# shipped deploy/apache-kelvane.conf (tools/apache-kelvane.sh), in a MODE:BATCH run.
#   updater_apache.sh KELVANER_EXE SERVER
kelvaner=$1 driver="" server=$(readlink -f "$2")
source "$(dirname "${BASH_SOURCE[0]}")/updater_lib.sh"
source "$e2e_here/tools/apache-kelvane.sh"

root=$work/root target=$work/target
mkdir -p "$root/shop/app/sub" "$target"
printf 'program v1' >"$root/shop/app/app.exe"
head -c 20000 /dev/urandom >"$root/shop/app/sub/data.bin"
touch -d '2024-01-31 12:34:56' "$root/shop/app/app.exe" "$root/shop/app/sub/data.bin"
printf 'ana:s3cret:shop\n' >"$work/users.txt"
credentials ana s3cret
start_kelvane_apache "$work" "$server" "$root" "$work/users.txt" || { echo "FAIL: apache2 did not start"; exit 1; }
server_pid=$apache_pid

run -- /MODE:BATCH "/INPUT:'http://127.0.0.1:$apache_port/shop/app'" "/OUTPUT:'$(win "$target")'"
expect "an update through Apache: exit code" "$rc" 0
for f in app.exe sub/data.bin; do
  same_file "$root/shop/app/$f" "$target/$f" && ok "$f: the server's bytes and time" || fail "$f differs"
done
[ $failures = 0 ] || tail -20 "$work/apache/error.log"
e2e_end
