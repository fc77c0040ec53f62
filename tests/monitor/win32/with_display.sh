#!/usr/bin/env bash
# Runs a Windows test program under Wine on its own Xvfb screen (with openbox) in a private copy of
# the build's Wine prefix, so that windows can be created and the build's shared wineserver is not
# tied to this screen. Exits 77 (skipped) when there is no Xvfb.
# Usage: with_display.sh BUILD_PREFIX SCRIPTS_DIR SCRATCH PROGRAM [ARGS...]
set -u
source_prefix=$1 scripts=$2 scratch=$3
shift 3
command -v Xvfb >/dev/null || { echo "with_display: Xvfb is not installed" >&2; exit 77; }
"$scripts/wine-prefix.sh" "$source_prefix" || exit 1
rm -rf "$scratch" && mkdir -p "$scratch"
cp -a "$source_prefix" "$scratch/prefix"
export WINEPREFIX="$scratch/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

exec 3<> "$scratch/displayfd"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$scratch/xvfb.log" 2>&1 &
xvfb=$!
for _ in $(seq 100); do
  display=$(head -n1 "$scratch/displayfd" 2>/dev/null)
  [ -n "$display" ] && break
  sleep 0.1
done
cleanup() {
  /usr/lib/wine/wineserver -k 2>/dev/null
  [ -n "${wm:-}" ] && kill "$wm" 2>/dev/null
  kill "$xvfb" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$scratch/prefix"
}
trap cleanup EXIT
[ -n "$display" ] || { echo "with_display: Xvfb gave no display" >&2; exit 1; }
export DISPLAY=":$display"
if command -v openbox >/dev/null; then
  openbox >/dev/null 2>&1 &
  wm=$!
fi
/usr/lib/wine/wine64 "$@" </dev/null 2>&1
