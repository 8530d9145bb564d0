# shellcheck shell=bash
# Sourced: the helpers the scripts share.
orvane_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# The path as Windows programs under Wine see it (drive Z:); it need not exist yet.
winpath() {
  local path
  path=$(realpath -m "$1")
  printf 'Z:%s' "${path//\//\\}"
}

# field NAME TEXT: the value of NAME=VALUE in TEXT, as procstat prints its figures.
field() { sed -n "s/.*\b$1=\([^[:space:]]*\).*/\1/p" <<<"$2"; }

# The version, from project() in the top CMakeLists.txt, the one place it is written.
orvane_version() {
  sed -n 's/^project(Orvane VERSION \([0-9.]*\).*/\1/p' "$orvane_root/CMakeLists.txt" | grep . ||
    { echo "no version in $orvane_root/CMakeLists.txt" >&2; return 1; }
}

# ui_drive DIR/NAME [OPTION...]: runs the uidriver script on stdin, with uidriver's OPTIONs, against the
# running program (ORVANE_UIDRIVER names uidriver.exe). The script stays in DIR/NAME.ui and the driver's
# report in DIR/NAME.out; a failure shows the report's end on stderr and returns the driver's exit code.
ui_drive() {
  cat >"$1.ui"
  "$orvane_root/scripts/wine.sh" "$ORVANE_UIDRIVER" "${@:2}" "$(winpath "$1.ui")" >"$1.out" 2>&1 && return 0
  local rc=$?
  echo "uidriver failed (exit code $rc) on $1.ui; the end of $1.out:" >&2
  tail -n 20 "$1.out" >&2
  return $rc
}
