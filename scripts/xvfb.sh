# Sourced: start_xvfb starts a virtual display when there is none and remembers its process id;
# stop_xvfb ends only that process.
ORVANE_XVFB_PID=""

start_xvfb() {
  if [ -n "${DISPLAY:-}" ] && [ "${ORVANE_FORCE_XVFB:-0}" != 1 ]; then
    return 0
  fi
  local n
  for n in $(seq 91 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break
  done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 </dev/null &
  ORVANE_XVFB_PID=$!
  local i
  for i in $(seq 1 100); do
    [ -e "/tmp/.X11-unix/X$n" ] && break
    sleep 0.05
  done
  export DISPLAY=":$n"
  export ORVANE_BARE_X=1
}

stop_xvfb() {
  if [ -n "$ORVANE_XVFB_PID" ]; then
    kill "$ORVANE_XVFB_PID" 2>/dev/null
    wait "$ORVANE_XVFB_PID" 2>/dev/null
    ORVANE_XVFB_PID=""
  fi
}
