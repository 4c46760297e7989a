# Sourced by the test scripts. When no X server is set, starts a private
# Xvfb on the first free display from :90 for the rest of the calling script
# and exports DISPLAY; the caller's EXIT trap must call stop_private_display.
xvfb_pid=

start_private_display() {
  [ -z "${DISPLAY:-}" ] || return 0
  local display n
  for n in $(seq 90 120); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { display=":$n"; break; }
  done
  Xvfb "$display" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=$display
  for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
}

stop_private_display() {
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
}
