#!/usr/bin/env bash
# The real kelvaner.exe's administration menu under Wine, its forms filled in by typing as a
# person would: the credentials form stores what was typed and the next update signs in with it;
# the configuration editor adds, edits and deletes entries and config.txt gives back every typed
# text, quotes, commas and hyphens included; the preferences panel with and without a program.
#   updater_admin.sh KELVANER_EXE WINDOW_DRIVER_EXE SERVER
set -uo pipefail
kelvaner=$1 driver=$2 server=$(readlink -f "$3")
source "$(dirname "${BASH_SOURCE[0]}")/updater_lib.sh"

root=$work/root
mkdir -p "$root/shop"
printf 'from the server' >"$root/shop/server.txt"
# A user and a password holding quotes, as some people choose them.
user="O'Brien" password="s3cr'et"
printf '%s:%s:shop\n' "$user" "$password" >"$work/users.txt"
start_server "$root" "$work/users.txt"

export LC_ALL=C.UTF-8  # the driver reads the labels with their accents
MENU="Seleccione su opci*"
EDITOR="Configuraci*"
PANEL="Panel de Control de Actualizaciones"
done_box=("wait=$INFO*" "texts=$INFO*" "press=$INFO*|OK")
# Leaving the menu: Escape, then "continue?" declined.
leave_menu=("sleep=300" "wait=$MENU" "key=$MENU|esc" "wait=$INFO*" "press=$INFO*|No")
# erase TITLE: empties the focused field (the caret may be anywhere in it).
erase() { local keys=end; for _ in $(seq 90); do keys+=,back; done; echo "key=$1|$keys"; }

# ---- credentials -----------------------------------------------------------------------------
rm -f "$bin/Kelvane"
run "wait=$MENU" "press=$MENU|Credenciales" "wait=Acceso a*" "texts=Acceso a*" \
    "type=Acceso a*|$user" "key=Acceso a*|tab" "type=Acceso a*|$password" "key=Acceso a*|tab" \
    "type=Acceso a*|S" "press=Acceso a*|Ok" "${leave_menu[@]}" -- /MODE:ADMIN
expect "credentials form: menu left, update declined" "$rc" 122
expect "the credentials form's fields" "$(tr -d '\r' <"$work/driven" | head -n 4 | iconv -f WINDOWS-1252 -t UTF-8)" \
  "$(printf 'Usuario:\nContraseña:\nRecordar (S/N):\nOk')"
stored=$(tr -d '\r' <"$bin/Kelvane" 2>/dev/null | grep -v '^$')
expect "the credentials file holds the typed user and the scrambled password" "$stored" \
  "$(printf 'USER$="%s"\nPASSW$='"'"'%s'"'" "$user" "$(scrambled "$password" "$user")")"
t1=$work/t1; mkdir -p "$t1"
run "${done_box[@]}" -- "/INPUT:'$base/shop'" "/OUTPUT:'$(win "$t1")'"
expect "the next update signs in with the typed credentials" "$rc:$(cat "$t1/server.txt" 2>/dev/null)" \
  "0:from the server"

e2e_end
