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

MENU="Seleccione su opci*"
EDITOR="Configuraci*"
PANEL="Panel de Control de Actualizaciones"
done_box=("wait=$INFO*" "texts=$INFO*" "press=$INFO*|Aceptar")
# Leaving the menu: Escape, then "continue?" declined.
leave_menu=("sleep=300" "wait=$MENU" "key=$MENU|esc" "wait=$INFO*" "press=$INFO*|No")
# erase TITLE: empties the focused field (the caret may be anywhere in it).
erase() { local keys=end; for _ in $(seq 90); do keys+=,back; done; echo "key=$1|$keys"; }

# ---- credentials -----------------------------------------------------------------------------
rm -f "$bin/Kelvane"
run "wait=$MENU" "press=$MENU|Credenciales" "wait=Acceso a*" "sleep=300" "texts=Acceso a*" \
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

# ---- configuration editor --------------------------------------------------------------------
# Two new entries, the first edited (its target changed), the second deleted (its name erased).
# The names, the source and the targets hold quotes, hyphens and commas.
src=$work/"src - a,b"
mkdir -p "$src"
printf 'from the folder' >"$src/folder.txt"
old_target=$work/"old'one" new_target=$work/"O'Brien's - app"
mkdir -p "$old_target" "$new_target"
name1="O'Brien - shop" name2='Second "two"-b'
rm -f "$wd/config.txt"
run "wait=$MENU" "press=$MENU|Configuración" \
    "sleep=300" "wait=$MENU" "press=$MENU|Nuevo" "wait=$EDITOR" "sleep=300" \
    "type=$EDITOR|$name1" "key=$EDITOR|tab" "type=$EDITOR|$(win "$src")" "key=$EDITOR|tab" \
    "type=$EDITOR|$(win "$old_target")" "press=$EDITOR|Ok" \
    "sleep=300" "wait=$MENU" "press=$MENU|Nuevo" "wait=$EDITOR" "sleep=300" \
    "type=$EDITOR|$name2" "key=$EDITOR|tab" "type=$EDITOR|http://127.0.0.1:9/a-b,c" "key=$EDITOR|tab" \
    "type=$EDITOR|C:\\x" "press=$EDITOR|Ok" \
    "sleep=300" "wait=$MENU" "texts=$MENU" "press=$MENU|$name1" "wait=$EDITOR" "sleep=300" "key=$EDITOR|tab,tab" \
    "$(erase "$EDITOR")" "type=$EDITOR|$(win "$new_target")" "press=$EDITOR|Ok" \
    "sleep=300" "wait=$MENU" "press=$MENU|$name2" "wait=$EDITOR" "sleep=300" "$(erase "$EDITOR")" "press=$EDITOR|Ok" \
    "sleep=300" "wait=$MENU" "texts=$MENU" "key=$MENU|esc" "${leave_menu[@]}" -- /MODE:ADMIN
expect "configuration editor: menu left, update declined" "$rc" 122
cp "$work/driven" "$work/editor.driven"
expect "the list after two new entries, then after the edit and the deletion" "$(tr -d '\r' <"$work/driven")" \
  "$(printf 'Nuevo\n%s\n%s\nNuevo\n%s' "$name1" "$name2" "$name1")"
tr -d '\r' <"$wd/config.txt" >"$work/config.lf" 2>/dev/null
expect "config.txt: one line left, the deleted entry gone with its line end" "$(grep -c '' "$work/config.lf")" 1
# A name holding a single quote is kept in double quotes, so its hyphen is no separator.
expect "config.txt: the name as typed, then the hyphen" "$(head -c $((${#name1} + 3)) "$work/config.lf")" "\"$name1\"-"
# A configuration of one line is the run's source and target without a question: the update
# copies from the typed source into the typed target only when both came back exactly.
# Started right after the editor's run, this run sometimes dies at once under Wine (exit 1, an X
# error "BadWindow" on X_UnmapWindow, no window, no log line); not yet understood, so the pause
# keeps it apart from the earlier run's ending until it is.
sleep 2
run "${done_box[@]}" --
expect "a plain run with the edited entry" "$rc" 0
expect "the typed source and the edited target came back exactly" "$(cat "$new_target/folder.txt" 2>/dev/null)" \
  "from the folder"
[ -z "$(ls -A "$old_target")" ] && ok "the old target was left alone" || fail "old target: $(ls "$old_target")"

# ---- preferences panel -----------------------------------------------------------------------
# Without a program (menu item 3): target, utility, date, time and use SSH; a typed target with a
# quote and a comma stays one field of kelvane.dat.
pref_target="C:\\Apps\\it's, here - x" utility="upd -q"
rm -f "$wd/kelvane.dat"
run "wait=$MENU" "press=$MENU|Preferencias" "wait=$PANEL" "sleep=300" "texts=$PANEL" \
    "type=$PANEL|$pref_target" "key=$PANEL|tab" "type=$PANEL|$utility" "press=$PANEL|Ok" \
    "${leave_menu[@]}" -- /MODE:ADMIN
expect "preferences without a program: menu left, update declined" "$rc" 122
expect "the panel's fields without a program" "$(tr -d '\r' <"$work/driven" | tr '\n' '|')" \
  "Carpeta de destino:|Utilidad de actualizacion:|Ultima actualizacion:|a |Usar SSH:|Ok|"
# A folder holding a single quote is kept in double quotes, so its comma splits nothing.
expect "kelvane.dat holds the typed target and utility" "$(cat "$wd/kelvane.dat")" "\"$pref_target\",$utility,,,"
# Opened again, the panel shows the target read back; only the utility is changed.
run "wait=$MENU" "press=$MENU|Preferencias" "wait=$PANEL" "sleep=300" "key=$PANEL|tab" "$(erase "$PANEL")" \
    "type=$PANEL|upd2" "press=$PANEL|Ok" "${leave_menu[@]}" -- /MODE:ADMIN
expect "the target read back and written again unchanged" "$(cat "$wd/kelvane.dat")" "\"$pref_target\",upd2,,,"
# With a program (/RUN with /MODE:ADMIN opens the panel directly): check updates, utility, date,
# time, use SSH and check now; check now answered yes runs the update for the program's folder.
t2=$work/t2; mkdir -p "$t2"
# The program's folder is updated from the configuration line that names it as its target.
printf "app-'%s,%s'\r\n" "$base/shop" "$(win "$t2")" >"$wd/config.txt"
rm -f "$wd/kelvane.dat"
run "wait=$PANEL" "sleep=300" "texts=$PANEL" "key=$PANEL|tab" "type=$PANEL|$utility" \
    "key=$PANEL|tab,tab,tab,tab" "$(erase "$PANEL")" "type=$PANEL|S" "press=$PANEL|Ok" "${done_box[@]}" -- \
    "/RUN:'$(win "$t2")\\NoNe'" /MODE:ADMIN
# 0 also says that the program "none" was not looked for.
expect "preferences with a program, check now: exit code" "$rc" 0
expect "the panel's fields with a program, then the completion" \
  "$(tr -d '\r' <"$work/driven" | iconv -f WINDOWS-1252 -t UTF-8 | tr '\n' '|')" \
  "Comprobar actualizaciones:|Utilidad de actualizacion:|Ultima actualizacion:|a |Usar SSH:|Comprobar actualizaciones ahora:|Ok|Aceptar|Actualización concluida. 1 archivos actualizados|"
expect "check now updated the program's folder" "$(cat "$t2/server.txt" 2>/dev/null)" "from the server"
IFS=, read -r check kept_utility day _ <"$wd/kelvane.dat"
expect "kelvane.dat keeps six values with a program" "$(tr -cd ',' <"$wd/kelvane.dat" | wc -c)" 5
expect "kelvane.dat: check updates and the typed utility" "$check,$kept_utility" "1,$utility"
expect "kelvane.dat: stamped by the update" "$day" "$(date +%Y%m%d)"

e2e_end
