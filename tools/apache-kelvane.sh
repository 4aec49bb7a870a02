# Sourced by the end-to-end tests that run kelvane-server as a CGI program of Debian's apache2:
# starts it on a free loopback port with a configuration root of its own, the modules Debian's
# a2enmod would load (mpm_event, authz_core, alias, env, cgid), the shipped
# deploy/apache-kelvane.conf with its variables defined before it, and Debian's serve-cgi-bin.conf
# after it, as a2enconf's order includes them.
#   start_kelvane_apache WORK SERVER ROOT USERS
# Sets apache_port and apache_pid (WORK/apache/error.log is its error log); returns 1 when it did
# not start. As root, Apache runs the program as www-data, as on a server: WORK, ROOT and USERS
# are opened to it for reading.

kelvane_apache_snippet=$(readlink -f "$(dirname "${BASH_SOURCE[0]}")/../deploy/apache-kelvane.conf")
source "$(dirname "${BASH_SOURCE[0]}")/web-server-up.sh"

start_kelvane_apache() {
  local work=$1 server=$2 root=$3 users=$4 apache modules=/usr/lib/apache2/modules user="" _
  apache=$(command -v apache2 || echo /usr/sbin/apache2)
  [ -x "$apache" ] || { echo "apache2 is not installed (make deps installs it)"; return 1; }
  mkdir -p "$work/apache" "$work/www"
  if [ "$(id -u)" = 0 ]; then
    user=$'User www-data\nGroup www-data'
    chmod -R a+rX "$work" "$root" "$users"
  fi
  local cgi_bin=/etc/apache2/conf-available/serve-cgi-bin.conf
  for _ in 1 2 3; do
    apache_port=$(free_port)
    cat >"$work/apache/apache2.conf" <<CONF
ServerRoot "$work/apache"
DefaultRuntimeDir "$work/apache"
PidFile "$work/apache/apache2.pid"
ErrorLog "$work/apache/error.log"
ServerName 127.0.0.1
Listen 127.0.0.1:$apache_port
$user
LoadModule mpm_event_module $modules/mod_mpm_event.so
LoadModule authz_core_module $modules/mod_authz_core.so
LoadModule alias_module $modules/mod_alias.so
LoadModule env_module $modules/mod_env.so
LoadModule cgid_module $modules/mod_cgid.so
ScriptSock "$work/apache/cgid.sock"
DocumentRoot "$work/www"
# As Debian's apache2.conf: the file system is closed as a whole.
<Directory />
    AllowOverride None
    Require all denied
</Directory>
<Directory "$work/www">
    Require all granted
</Directory>
Define KELVANE_SERVER "$server"
Define KELVANE_ROOT "$root"
Define KELVANE_USERS "$users"
Include "$kelvane_apache_snippet"
$([ -f "$cgi_bin" ] && echo "Include \"$cgi_bin\"")
CONF
    "$apache" -d "$work/apache" -f "$work/apache/apache2.conf" -DFOREGROUND >"$work/apache/out" 2>&1 &
    apache_pid=$!
    web_server_up "$apache_port" "$apache_pid" && return 0
    apache_pid=
  done
  cat "$work/apache/out" "$work/apache/error.log" 2>/dev/null
  return 1
}
