#!/usr/bin/env bash
# Checks that the folders' includes point one way: shared/ <- history/ <- report/ and monitor/,
# shared/ <- service/, and inside monitor/ from the program entry down to its resources; and, given
# a Windows build of traldenreport.exe, that it imports no window library.
# Usage: scripts/check-layers.sh [traldenreport.exe]
set -u
cd "$(dirname "$0")/.."
status=0
# folder: the top-level folders its files may include from
allowed=(
  "shared:shared"
  "history:history shared"
  "chart:chart shared"
  "report:report history chart shared"
  "service:service shared"
  "monitor:monitor history chart shared"
)
for rule in "${allowed[@]}"; do
  folder=${rule%%:*}
  [ -d "$folder" ] || continue
  pattern=$(echo "${rule#*:}" | sed 's/ /\\|/g')
  bad=$(grep -rnE '^\s*#\s*include\s+"[a-z_]+/' "$folder" --include='*.h' --include='*.cpp' |
        grep -v "#\s*include\s\+\"\($pattern\)/" | grep -v '"tm_version.h"')
  if [ -n "$bad" ]; then
    echo "check-layers: $folder/ includes from a folder above it or beside it:"
    echo "$bad"
    status=1
  fi
done
# The monitor's own folders, from the top down; a folder includes from itself and the rows below
# it, never from a folder in its own row or above. Every folder of monitor/ must be in a row.
monitor_rows=(
  "program"
  "mainwindow"
  "statistics options plans strip"
  "charts"
  "common"
  "ui"
  "framework"
  "settings"
  "resources"
)
listed=" ${monitor_rows[*]} "
for dir in monitor/*/; do
  name=$(basename "$dir")
  if [[ "$listed" != *" $name "* ]]; then
    echo "check-layers: monitor/$name/ is in no row of the monitor's layers"
    status=1
  fi
done
for ((row = 0; row < ${#monitor_rows[@]}; row++)); do
  below=""
  for ((lower = row + 1; lower < ${#monitor_rows[@]}; lower++)); do below="$below ${monitor_rows[lower]}"; done
  for name in ${monitor_rows[row]}; do
    [ -d "monitor/$name" ] || continue
    pattern=$(echo "$name$below" | sed 's/ /\\|/g')
    bad=$(grep -rnE '^\s*#\s*include\s+"monitor/' "monitor/$name" --include='*.h' --include='*.cpp' |
          grep -v "#\s*include\s\+\"monitor/\($pattern\)/")
    if [ -n "$bad" ]; then
      echo "check-layers: monitor/$name/ includes from a monitor folder above it or beside it:"
      echo "$bad"
      status=1
    fi
  done
done
if [ $# -ge 1 ]; then
  objdump=x86_64-w64-mingw32-objdump
  imports=$("$objdump" -p "$1" | sed -n 's/^\s*DLL Name: //p' | tr 'a-z' 'A-Z')
  for dll in USER32.DLL GDI32.DLL COMCTL32.DLL SHELL32.DLL; do
    if echo "$imports" | grep -qx "$dll"; then
      echo "check-layers: $1 imports $dll"
      status=1
    fi
  done
fi
[ $status -eq 0 ] && echo "check-layers: every include points down, in monitor/ too; no window library in the report"
exit $status
