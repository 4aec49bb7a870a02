# Sourced by tools/lighttpd-kelvane.sh and tools/apache-kelvane.sh: a free loopback port, and the
# wait for a web server started on it.
#   free_port                 prints a port nobody listens on now (someone may take it before use)
#   web_server_up PORT PID    0 once http://127.0.0.1:PORT/ answers (5 s at most); else stops PID
#                             and returns 1

free_port() { python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }

web_server_up() {
  local port=$1 pid=$2 _
  for _ in $(seq 50); do
    curl -s --max-time 2 -o /dev/null "http://127.0.0.1:$port/" && return 0
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null
  return 1
}
