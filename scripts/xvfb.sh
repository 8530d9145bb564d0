# shellcheck shell=bash
# Sourced: the session Orvane runs in for the demo, the benchmark and the end-to-end suite, as on a
# technician's Korean Windows PC: Wine under the Korean locale (ANSI and OEM code page 949, LCID 0x0412,
# Korean message boxes) on a display with a window manager that draws the captions.
#   korean_locale   exports LANG/LC_ALL ko_KR.UTF-8; fails when the locale is not generated
#   start_xvfb      starts our own Xvfb with openbox on it and exports DISPLAY
#   stop_xvfb       ends only those two processes, by their ids
# ORVANE_XVFB_LOG names a file for their messages (default: none kept).
ORVANE_XVFB_PID="" ORVANE_WM_PID="" ORVANE_XVFB_DIR=""

korean_locale() {
  # Without the generated locale Wine falls back to code page 1252 without a word.
  if ! locale -a 2>/dev/null | grep -qix 'ko_KR\.utf-\?8'; then
    echo "the locale ko_KR.UTF-8 is not generated; run scripts/setup.sh" >&2
    return 1
  fi
  export LANG=ko_KR.UTF-8 LC_ALL=ko_KR.UTF-8
}

start_xvfb() {
  local log=${ORVANE_XVFB_LOG:-/dev/null} n up=0
  ORVANE_XVFB_DIR=$(mktemp -d "${TMPDIR:-/tmp}/orvane-xvfb.XXXXXX")
  # A display number is ours once our Xvfb holds its lock file: another server that took the same
  # free-looking number first makes ours exit, and we try the next. (Xvfb's -displayfd does without
  # the lock, and inside a network namespace it would take over another server's socket file.)
  for n in $(seq 91 190); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    # -noreset: the server would otherwise reset when its last client (our probe below) leaves, and
    # refuse the next one meanwhile.
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -noreset >>"$log" 2>&1 </dev/null &
    ORVANE_XVFB_PID=$!
    for _ in $(seq 1 200); do
      kill -0 "$ORVANE_XVFB_PID" 2>/dev/null || break
      if [ "$({ tr -dc 0-9 <"/tmp/.X$n-lock"; } 2>/dev/null)" = "$ORVANE_XVFB_PID" ] &&
        DISPLAY=":$n" xprop -root >/dev/null 2>&1; then
        up=1
        break
      fi
      sleep 0.05
    done
    [ $up = 1 ] && break
    kill "$ORVANE_XVFB_PID" 2>/dev/null
    wait "$ORVANE_XVFB_PID" 2>/dev/null
    ORVANE_XVFB_PID=""
  done
  if [ $up = 0 ]; then
    echo "Xvfb did not start" >&2
    stop_xvfb
    return 1
  fi
  export DISPLAY=":$n"
  # Orvane's windows and boxes have no minimize or maximize box, and openbox would draw those
  # buttons anyway: the captions get only the icon, the title and the close button, as on Windows.
  sed 's|<titleLayout>[A-Z]*</titleLayout>|<titleLayout>NLC</titleLayout>|' /etc/xdg/openbox/rc.xml \
    >"$ORVANE_XVFB_DIR/rc.xml"
  openbox --sm-disable --config-file "$ORVANE_XVFB_DIR/rc.xml" >>"$log" 2>&1 </dev/null &
  ORVANE_WM_PID=$!
  # A window mapped before the window manager has announced itself on the root window stays bare.
  for _ in $(seq 1 200); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
    kill -0 "$ORVANE_WM_PID" 2>/dev/null || break
    sleep 0.05
  done
  echo "openbox did not start on $DISPLAY" >&2
  stop_xvfb
  return 1
}

stop_xvfb() {
  local pid
  for pid in "$ORVANE_WM_PID" "$ORVANE_XVFB_PID"; do
    [ -n "$pid" ] || continue
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  if [ -n "$ORVANE_XVFB_DIR" ]; then rm -rf "$ORVANE_XVFB_DIR"; fi
  ORVANE_WM_PID="" ORVANE_XVFB_PID="" ORVANE_XVFB_DIR=""
}
