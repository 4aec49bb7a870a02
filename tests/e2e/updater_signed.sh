#!/usr/bin/env bash
# Signed folders: the real kelvaner.exe under Wine with a public key beside it takes an update
# only as the publisher signed it (kelvane-server sign, or openssl's own command line), refuses
# every other folder with 174 leaving the target as it was, and never installs its own files.
#   updater_signed.sh KELVANER_EXE SERVER
set -uo pipefail
kelvaner=$1 server=$(readlink -f "$2")
driver=
source "$(dirname "${BASH_SOURCE[0]}")/updater_lib.sh"

root=$work/root app=$root/shop/app dst=$work/dst
mkdir -p "$app/lib" "$dst"
printf 'ana:s3cret:shop\n' >"$work/users.txt"
credentials ana s3cret
start_server "$root" "$work/users.txt"
"$server" keygen --key "$work/key.pem" >/dev/null || fail "keygen"
"$server" keygen --key "$work/other.pem" >/dev/null || fail "keygen of another key"
cp "$work/key.pem.pub" "$bin/Kelvane.pub"

publish() {  # publish VERSION: the application's files, stamped a minute apart per version
  printf "program $1" >"$app/app.bin"; printf "library $1" >"$app/lib/one.dll"
  touch -d "@$((1700000000 + $1 * 60))" "$app/app.bin" "$app/lib/one.dll"
}
sign() { "$server" sign --key "${key:-$work/key.pem}" "$app" "$@" >/dev/null || fail "sign $*"; }
update() { rm -f "$wd/UPlog.txt"; run -- /MODE:BATCH "/INPUT:'$base/shop/app'" "/OUTPUT:'$(win "$dst")'"; }
# refused WHAT REASON: the run ended with 174, the target kept version 1, the log gave the reason.
refused() {
  expect "$1: exit code" "$rc" 174
  expect "$1: the target kept its files" "$(cat "$dst/app.bin" "$dst/lib/one.dll")" "program 1library 1"
  [ "$(log_count "refused: .*$2")" -ge 1 ] && ok "$1: the log says why" || fail "$1: log: $(tail -3 "$wd/UPlog.txt")"
}

publish 1; sign
update
expect "a signed folder installs: exit code" "$rc" 0
expect "a signed folder installs its files" "$(cat "$dst/app.bin" "$dst/lib/one.dll")" "program 1library 1"
[ ! -e "$dst/kelvane.manifest" ] && ok "the manifest is not installed" || fail "the manifest was installed"
cp "$app/kelvane.manifest" "$work/manifest.1"

publish 2; sign
printf 'program 3' >"$app/app.bin"; touch -d "@$((1700000000 + 120))" "$app/app.bin"
update; refused "bytes other than signed (same size and time)" "app.bin arrived with other bytes"
rm -f "$wd/UPlog.txt"; run -- /MODE:BATCH "/INPUT:'$(win "$app")'" "/OUTPUT:'$(win "$dst")'"
refused "the same from a folder source" "app.bin arrived with other bytes"
publish 2; printf 'new' >"$app/added.txt"
update; refused "a file the manifest does not name" "added.txt is not in the manifest"
rm "$app/added.txt"; rm "$app/kelvane.manifest"
update; refused "no manifest" "offers no signed manifest"
rm -f "$wd/UPlog.txt"
run -- /MODE:BATCH "/INPUT:'$base/cgi-bin/updater?view=12&user=ana&passw=$(scrambled s3cret ana)&path=shop/app'" "/OUTPUT:'$(win "$dst")'"
expect "an address with its own query: exit code" "$rc" 174
expect "the refusal names the address, its password hidden" \
  "$(log_count 'Signature of http://[0-9.:]*/cgi-bin/updater?view=12&user=ana&passw=\*\*\*&path=shop/app refused')" 1
expect "the password itself is nowhere in the log" "$(log_count "$(scrambled s3cret ana)")" 0
key=$work/other.pem sign
update; refused "signed by another key" "not signed by a key"

# The openssl command line signs as well as the tool does: a good manifest installs, one past its
# date is refused.
openssl_sign() {  # openssl_sign EXPIRES SEQUENCE
  sign; sed -e '/^signature /d' -e "s/^expires .*/expires $1/" -e "s/^sequence .*/sequence $2/" \
    "$app/kelvane.manifest" >"$work/body"
  openssl dgst -sha256 -sign "$work/key.pem" -out "$work/sig.der" "$work/body"
  { cat "$work/body"; printf 'signature %s\n' "$(od -An -v -tx1 "$work/sig.der" | tr -d ' \n')"; } >"$app/kelvane.manifest"
}
openssl_sign 20200101 9000000000
update; refused "an expired manifest" "expired on 20200101"
openssl_sign 29991231 9000000000
update
expect "a manifest signed by openssl installs: exit code" "$rc" 0
expect "version 2 is in place" "$(cat "$dst/app.bin" "$dst/lib/one.dll")" "program 2library 2"
grep -q "^9000000000 " "$wd/kelvane.seq" && ok "the accepted sequence is kept" || fail "kelvane.seq: $(cat "$wd/kelvane.seq")"

# A replayed older folder, signature and all, cannot roll the desktop back.
publish 1; cp "$work/manifest.1" "$app/kelvane.manifest"
update
expect "an older manifest: exit code" "$rc" 174
expect "an older manifest: version 2 stays" "$(cat "$dst/app.bin")" "program 2"
# Nor through another spelling of the source, nor past the line an older updater kept.
spelled() { rm -f "$wd/UPlog.txt"; run -- /MODE:BATCH "/INPUT:'$1'" "/OUTPUT:'$(win "$dst")'"
  expect "an older manifest from $1: exit code" "$rc" 174; expect "$1: version 2 stays" "$(cat "$dst/app.bin")" "program 2"
  expect "an older manifest from $1: the log says why" "$(log_count 'is older than the 9000000000 accepted')" 1; }
spelled "$base/shop/app/"
printf '9000000000 %s/shop/app\r\n' "$base" >"$wd/kelvane.seq"
spelled "${base/127.0.0.1/localhost}/shop/app"

# A key file may hold two keys while one replaces the other; one that holds no key refuses.
publish 3; key=$work/other.pem sign --sequence 9000000001
cat "$work/other.pem.pub" "$work/key.pem.pub" >"$bin/Kelvane.pub"
update
expect "a folder signed by the second key of two: exit code" "$rc" 0
expect "version 3 is in place" "$(cat "$dst/app.bin")" "program 3"

# A signed file the list leaves out is taken only as the target already holds it.
publish 4; key=$work/other.pem sign --sequence 9000000002; rm "$app/lib/one.dll"
update; expect "a signed file withheld: exit code, nothing changed" "$rc $(cat "$dst/app.bin" "$dst/lib/one.dll")" "174 program 3library 3"
expect "a signed file withheld: the log says why" "$(log_count 'one.dll is signed but not listed')" 1
cp -p "$dst/lib/one.dll" "$app/lib/"; key=$work/other.pem sign --sequence 9000000002; rm "$app/lib/one.dll"
update; expect "withheld, the target's signed: exit code, the rest installs" "$rc $(cat "$dst/app.bin" "$dst/lib/one.dll")" "0 program 4library 3"
# The manifest binds as much of the published path as it names, in any case.
publish 5; key=$work/other.pem sign --sequence 9000000003 --path tools/app
update; expect "signed for tools/app, served at shop/app: exit code" "$rc" 174
expect "signed for tools/app: the log says why" "$(log_count 'the folder tools/app.s')" 1
key=$work/other.pem sign --sequence 9000000003 --path SHOP/App
update; expect "signed for SHOP/App, served at shop/app: exit code" "$rc" 0
expect "signed for SHOP/App: version 5 is in place" "$(cat "$dst/app.bin")" "program 5"
printf 'not a key\n' >"$bin/Kelvane.pub"
update
expect "a key file without a key: exit code" "$rc" 174
[ "$(log_count "holds no public key")" -ge 1 ] && ok "a key file without a key: the log says why" || fail "damaged key: log"

# The updater's own files where they live in the target are never installed, key or none.
rm "$bin/Kelvane.pub"
cp "$bin/Kelvane" "$work/Kelvane.mine"; printf '0,,,,\r\n' >"$app/kelvane.dat"
printf 'USER$="x";PASSW$=STR$(1)\r\n' >"$app/Kelvane"; printf 'shop,evil\r\n' >"$app/config.txt"
: >"$bin/config.txt"
wd=$bin run -- /MODE:BATCH "/INPUT:'$base/shop/app'" "/OUTPUT:'$(win "$bin")'"
expect "a list naming the updater's own files: exit code" "$rc" 0
cmp -s "$bin/Kelvane" "$work/Kelvane.mine" && ok "the credentials file is unchanged" || fail "credentials replaced"
[ ! -e "$bin/kelvane.dat" ] || [ "$(head -c 1 "$bin/kelvane.dat")" != 0 ] && ok "kelvane.dat not taken" || fail "kelvane.dat installed"
expect "config.txt unchanged" "$(cat "$bin/config.txt")" ""
expect "the other files are installed" "$(cat "$bin/app.bin")" "program 5"
expect "a log line for each own file" "$(grep -ac "the updater's own file" "$bin/UPlog.txt")" 3

# Own files whatever the target's spelling (short, a link, Z:\...\drive_c while the updater runs as
# C:\...) or APNAME, folders named like them, a planted credentials statement; served files say KVSERVED.
drive_c=${KELVANE_WINEPREFIX:-$e2e_here/build/wineprefix}/drive_c
own_root=$(mktemp -d "$drive_c/kvown.XXXXXX") && trap 'rm -rf "$own_root"; e2e_cleanup' EXIT
home=$own_root/LongFolderNyx
cwin() { local p=${1#"$drive_c"}; echo "C:${p//\//\\}"; }
mkdir -p "$home" "$root/shop/own" "$root/shop/dirs" "$root/shop/short" && ln -s "$home" "$work/link"
cp "$bin/kelvaner.exe" "$home/" && cp "$bin/Kelvane" "$home/LongerName"
{ cat "$bin/Kelvane"; printf "WRITE('%s';-2;'x')\r\n" "$(win "$work")\\planted.txt"; } >"$work/planted"
for f in Kelvane Kelvane.pub config.txt kelvane.seq kelvane.dat UPlog.txt app.txt; do printf KVSERVED >"$root/shop/own/$f"; done
for f in Kelvane.pub kelvane.dat UPlog.txt; do mkdir "$root/shop/dirs/$f"; printf KVSERVED >"$root/shop/dirs/$f/x"; done
short=$("$wine_run" winepath -s "$(cwin "$home")\\LongerName" | tr -d '\r')
printf KVSERVED | tee "$root/shop/dirs/app.txt" "$root/shop/short/app.txt" >"$root/shop/short/${short##*\\}"
own_run() {  # own_run WHAT FOLDER ARGS...: the updater's folder updated from shop/FOLDER, ARGS added
  local what=$1 from=$2; shift 2
  rm -rf "$home"/*.pub "$home"/*.txt "$home"/kelvane.* && cp "$work/planted" "$home/Kelvane" &&
    cp "$bin/Kelvane" "$home/Other" && cp "$bin/Kelvane" "$home/LongerName"
  bin=$home wd=$home run -- /MODE:BATCH "/INPUT:'$base/shop/$from'" "$@"
  expect "$what: exit code, the others installed" "$rc $(cat "$home/app.txt" 2>/dev/null)" "0 KVSERVED"
  expect "$what: no own file replaced" "$(cd "$home" && grep -ls KVSERVED -- * | grep -vx app.txt)" ""
}
own_run "the target by its short name" own "/OUTPUT:'$("$wine_run" winepath -s "$(cwin "$home")" | tr -d '\r')'"
own_run "the target through a symbolic link" own "/OUTPUT:'Z:${work//\//\\}\\link'"
own_run "the target as Z: while the updater runs from C:" own "/OUTPUT:'$(win "$home")'"
own_run "APNAME XY:Other" own "/OUTPUT:'$(cwin "$home")'" "/APNAME:'XY:Other'"
own_run "the short name of XY:LongerName's credentials" short "/OUTPUT:'$(cwin "$home")'" "/APNAME:'XY:LongerName'"
own_run "folders named like own files" dirs "/OUTPUT:'$(cwin "$home")'"
expect "no folder named like an own file" "$(find "$home" -mindepth 1 -type d)" ""
expect "a statement planted in the credentials file: not run, logged" \
  "$(ls "$work/planted.txt" 2>/dev/null)$(grep -ac "Not run from the credentials file" "$home/UPlog.txt")" 1
# OUTPUT with a trailing backslash names the folder.
wd=$bin run -- /MODE:BATCH "/INPUT:'$base/shop/app'" "/OUTPUT:'$(win "$dst")\\'"
expect "a target with a trailing backslash: exit code" "$rc" 0
e2e_end
