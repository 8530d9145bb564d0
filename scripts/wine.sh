#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's private prefix, creating the prefix on first use.
#
#   scripts/wine.sh prog.exe [args...]   run it; its exit code is ours
#   scripts/wine.sh --prepare            only create/refresh the prefix
#   scripts/wine.sh --stop               end this prefix's wineserver (and so its processes)
#
# Environment:
#   ORVANE_WINEPREFIX  the prefix (default: build/wineprefix in the source tree)
#   ORVANE_TRACE       file that receives the program's OutputDebugString lines
#   ORVANE_WINE_DPI    the prefix's display DPI (LogPixels): 144 is a display at 150 %; a prefix once
#                      given one goes back to 96 without it
#   DISPLAY            when empty, the prefix uses Wine's null graphics driver; else the X11 driver,
#                      under the display's window manager
#
# Wine's helper processes outlive the program and inherit its stdout/stderr, so the
# program's output goes to files first and is copied out when it ends: a caller that
# reads our output through a pipe never waits on them. Ended by a signal, it ends the program
# and removes those files.
set -u

# shellcheck source=scripts/lib.sh
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
export WINEPREFIX=${ORVANE_WINEPREFIX:-$orvane_root/build/wineprefix}
export WINEARCH=win64
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver

if [ ! -x "$wine" ]; then
  echo "wine.sh: $wine is missing; run scripts/setup.sh" >&2
  exit 127
fi

# The dialog font names are Korean; a REGEDIT4 file cannot carry them, a UTF-16 one can.
write_font_reg() {
  printf '%s\r\n' \
    'Windows Registry Editor Version 5.00' '' \
    '[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]' \
    '"돋움체"="NanumGothicCoding"' \
    '"DotumChe"="NanumGothicCoding"' \
    '"돋움"="NanumGothic"' \
    '"Dotum"="NanumGothic"' \
    '' | { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE; } >"$1"
}

prepare() {
  mkdir -p "$(dirname "$WINEPREFIX")"
  exec 9>"$WINEPREFIX.lock"
  flock 9
  if [ ! -f "$WINEPREFIX/.orvane-ready" ]; then
    local log="$WINEPREFIX.setup.log"
    DISPLAY='' "$wine" wineboot -i >"$log" 2>&1 </dev/null
    write_font_reg "$WINEPREFIX.fonts.reg"
    DISPLAY='' "$wine" regedit /S "$(winpath "$WINEPREFIX.fonts.reg")" >>"$log" 2>&1 </dev/null
    rm -f "$WINEPREFIX.fonts.reg"
    touch "$WINEPREFIX/.orvane-ready"
  fi
  # No display: Wine's null driver. A display has a window manager (the desktop's, or openbox on our
  # own Xvfb): the X11 driver leaves captions and frames to it, and closed windows go at once.
  local want=x11
  [ -n "${DISPLAY:-}" ] || want=null
  if [ "$(cat "$WINEPREFIX/.orvane-driver" 2>/dev/null)" != "$want" ]; then
    if [ "$want" = null ]; then
      "$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1 </dev/null
    else
      "$wine" reg delete 'HKCU\Software\Wine\Drivers' /v Graphics /f >/dev/null 2>&1 </dev/null
      "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d Y /f >/dev/null 2>&1 </dev/null
    fi
    echo "$want" >"$WINEPREFIX/.orvane-driver"
    # Processes started under the old driver (the desktop among them) must not outlive the change.
    "$wineserver" -w
  fi
  # The DPI goes where winecfg writes it. Each Wine process reads it as it starts, so the prefix's
  # helper processes (the desktop among them) must not outlive a change either.
  local dpi_mark="$WINEPREFIX/.orvane-dpi" dpi=${ORVANE_WINE_DPI:-96}
  if [ -n "${ORVANE_WINE_DPI:-}" ] || [ -f "$dpi_mark" ]; then
    if [ "$(cat "$dpi_mark" 2>/dev/null || echo 96)" != "$dpi" ]; then
      "$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f \
        >/dev/null 2>&1 </dev/null
      echo "$dpi" >"$dpi_mark"
      "$wineserver" -w
    fi
  fi
  flock -u 9
  exec 9>&-
}

case "${1:-}" in
  --prepare) prepare; exit 0 ;;
  --stop) [ -d "$WINEPREFIX" ] && "$wineserver" -k >/dev/null 2>&1; exit 0 ;;
  "") echo "usage: wine.sh prog.exe [args...] | --prepare | --stop" >&2; exit 2 ;;
esac

prepare

tmp="" program=""
trap '[ -z "$tmp" ] || rm -rf "$tmp"' EXIT
trap '[ -z "$program" ] || kill "$program" 2>/dev/null; exit 143' TERM INT HUP
tmp=$(mktemp -d "${TMPDIR:-/tmp}/orvane-wine.XXXXXX")
if [ -n "${ORVANE_TRACE:-}" ]; then
  export WINEDEBUG=${WINEDEBUG:+$WINEDEBUG,}+debugstr
else
  export WINEDEBUG=${WINEDEBUG:--all}
fi
# In the background, so that a signal reaches the trap at once, and the program ends with us.
"$wine" "$@" >"$tmp/out" 2>"$tmp/err" </dev/null &
program=$!
wait "$program"
rc=$?
cat "$tmp/out"
if [ -n "${ORVANE_TRACE:-}" ]; then
  grep -a ':debugstr:' "$tmp/err" >>"$ORVANE_TRACE"
  grep -av ':debugstr:' "$tmp/err" >&2
else
  cat "$tmp/err" >&2
fi
exit $rc
