# Sourced by the scripts that show windows. start_display [FIRST]: when DISPLAY is unset, starts a
# private Xvfb on the first free display number from FIRST (90 by default), exports DISPLAY and
# sets xvfb_pid, which the caller kills on exit; otherwise xvfb_pid stays empty.
start_display() {
  xvfb_pid=""
  [ -n "${DISPLAY:-}" ] && return 0
  local first=${1:-90} n
  for n in $(seq "$first" $((first + 30))); do
    { [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; } && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    return 0
  done
}
