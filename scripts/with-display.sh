#!/usr/bin/env bash
# Runs a Windows test program under Wine on a private X display: Xvfb on a free display number with
# openbox as window manager, in a Wine prefix of its own whose wineserver ends with the run (so no
# Wine process stays tied to a display that is gone). Exits 77 when there is no Xvfb.
# Usage: with-display.sh PREFIX WINE_RUN_SCRIPT PROGRAM [ARGS...]
set -u
prefix=${1:?wine prefix}
wine_run=${2:?wine-run script}
shift 2
command -v Xvfb >/dev/null 2>&1 || { echo "Xvfb is not installed: no display for window tests"; exit 77; }

fdfile=$(mktemp)
cleanup() {
  WINEPREFIX="$prefix" /usr/lib/wine/wineserver -k >/dev/null 2>&1
  [ -n "${wm:-}" ] && kill "$wm" 2>/dev/null
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null
  wait 2>/dev/null
  rm -f "$fdfile"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do
  [ -s "$fdfile" ] && break
  sleep 0.1
done
display=$(head -n1 "$fdfile")
if [ -z "$display" ]; then
  echo "Xvfb did not start: no display for window tests"
  exit 77
fi
export DISPLAY=":$display"
if command -v openbox >/dev/null 2>&1; then
  openbox >/dev/null 2>&1 &
  wm=$!
fi
TM_WINEPREFIX="$prefix" "$wine_run" "$@"
