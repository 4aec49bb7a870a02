#!/usr/bin/env bash
# Every window the real kelvaner.exe shows, reached as a person would reach it, must show its
# texts whole: for each one the window driver measures every title, label, button and list item
# in its own font against the room it has, and looks for controls that overlap. With a SHOTS
# folder it also leaves a picture of each window there (make screens).
#   updater_windows.sh KELVANER_EXE WINDOW_DRIVER_EXE SERVER [SHOTS]
set -uo pipefail
kelvaner=$1 driver=$2 server=$(readlink -f "$3") shots=${4:-}
source "$(dirname "${BASH_SOURCE[0]}")/updater_lib.sh"
[ -n "$shots" ] && mkdir -p "$shots"

root=$work/root
mkdir -p "$root/shop" "$root/locked"
head -c $((3 * 1024 * 1024)) /dev/urandom >"$root/shop/datos.bin"
printf 'read me' >"$root/shop/readme.txt"
: >"$root/locked/locked.on"
printf 'ana:s3cret:shop,locked\n' >"$work/users.txt"
start_server "$root" "$work/users.txt"
# A slow network in front of the server, so that the status and progress windows stay up.
python3 "$e2e_here/tests/e2e/slow_proxy.py" "${base##*:}" 1500 $((512 * 1024)) >"$work/proxy.out" 2>&1 &
proxy_pid=$!
trap 'kill $proxy_pid 2>/dev/null; e2e_cleanup' EXIT
for _ in $(seq 50); do grep -q listening "$work/proxy.out" && break; sleep 0.1; done
slow="http://$(sed -n 's/^listening on //p' "$work/proxy.out")"

MENU="Seleccione su opci*"
PANEL="Panel de Control de Actualizaciones"
BOX_OK=${BOX_OK:-Aceptar}
# look NAME TITLE: steps that wait for the window, measure it and picture it as NAME when asked,
# added to S, the steps of the next run.
S=()
look() {
  S+=("wait=$2" "sleep=400" "fits=$2")
  [ -n "$shots" ] && S+=("shot=$2|$(win "$shots")\\$1.bmp")
  return 0
}
# and_then STEPS...: steps added to S as they are.
and_then() { S+=("$@"); }
# drive ARGS...: kelvaner.exe with ARGS while the driver takes S; S is emptied for the next run.
drive() {
  run "${S[@]}" -- "$@"
  S=()
  cat "$work/driven" >>"$work/all.driven"
}
: >"$work/all.driven"

credentials ana s3cret
t1=$work/t1; mkdir -p "$t1"
# The first status box, then "connecting", then the download's progress and the completion.
look status class:Static; look progress "Proceso en progreso*"; look completion "$INFO*"; and_then "press=$INFO*|$BOX_OK"
drive "/INPUT:'$slow/shop'" "/OUTPUT:'$(win "$t1")'"
expect "an update through a slow network: exit code" "$rc" 0

# The administration menu, each of its forms, the configuration editor's list, "continue?".
printf "Tienda-'%s,%s'\r\n" "$base/shop" "$(win "$t1")" >"$wd/config.txt"
look admin_menu "$MENU"; and_then "press=$MENU|Credenciales"
look credentials "Acceso a*"; and_then "key=Acceso a*|esc" "sleep=300" "press=$MENU|Configuración" "sleep=300"
look configuration_list "$MENU"; and_then "press=$MENU|Nuevo"
look configuration_form "Configuraci*"; and_then "key=Configuraci*|esc" "sleep=300" "key=$MENU|esc" "sleep=300" \
  "press=$MENU|Preferencias"
look preferences "$PANEL"; and_then "key=$PANEL|esc" "sleep=300" "key=$MENU|esc"
look continue "$INFO*"; and_then "press=$INFO*|No"
drive /MODE:ADMIN
expect "the administration menu's windows: exit code" "$rc" 122

# The preferences panel of a program.
look preferences_program "$PANEL"; and_then "key=$PANEL|esc"
drive "/RUN:'$(win "$t1")\\none'" /MODE:ADMIN

# The list of known applications, when config.txt names more than one.
printf "Tienda-'%s,%s'\r\nAlmac\xe9n-'%s,%s'\r\n" "$base/shop" "$(win "$t1")" "$base/shop" "$(win "$t1")" >"$wd/config.txt"
look application_list "Selecci*"; and_then "key=Selecci*|esc"
drive
rm -f "$wd/config.txt"

# A serious error.
look fatal "$FATAL*"; and_then "press=$FATAL*|$BOX_OK"
drive "/INPUT:'$base/locked'" "/OUTPUT:'$(win "$t1")'"
expect "a serious error: exit code" "$rc" 175

# A stored password the server refuses opens the password reset list.
credentials ana wrong
look password_reset "Reinicio de contrase*"; and_then "press=Reinicio de contrase*|Cancelar" "sleep=500" "press=$FATAL*|$BOX_OK"
drive "/INPUT:'$base/shop'" "/OUTPUT:'$(win "$t1")'"

expect "every window was reached" "$(grep -ac '^driver' "$work/all.driven")" 0
expect "every window shows its texts whole" "$(grep -ac '^misfit' "$work/all.driven")" 0
grep -a '^misfit\|^driver' "$work/all.driven" | iconv -f WINDOWS-1252 -t UTF-8
e2e_end
