#!/usr/bin/env bash
# Makes a Wine prefix for this build on first use (fonts copied in); later calls return at once.
# Usage: wine-prefix.sh PREFIX
set -eu
prefix=${1:?prefix directory}
wine64=/usr/lib/wine/wine64
[ -f "$prefix/.tm-ready" ] && exit 0
mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
[ -f "$prefix/.tm-ready" ] && exit 0
rm -rf "$prefix"
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
"$wine64" wineboot -i </dev/null >/dev/null 2>&1 || true
/usr/lib/wine/wineserver -w || true
if [ ! -d "$prefix/drive_c/windows/system32" ]; then
  echo "wine-prefix: wineboot did not create $prefix" >&2
  exit 1
fi
fonts="$prefix/drive_c/windows/Fonts"
mkdir -p "$fonts"
for f in tahoma.ttf tahomabd.ttf marlett.ttf; do
  [ -f "/usr/share/wine/fonts/$f" ] && cp "/usr/share/wine/fonts/$f" "$fonts/"
done
touch "$prefix/.tm-ready"
