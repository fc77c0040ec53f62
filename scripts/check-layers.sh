#!/usr/bin/env bash
# Checks that the folders' includes point one way: shared/ <- history/ <- report/ and monitor/,
# shared/ <- service/; and, given a Windows build of traldenreport.exe, that it imports no window
# library. Usage: scripts/check-layers.sh [traldenreport.exe]
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
[ $status -eq 0 ] && echo "check-layers: every include points down; no window library in the report"
exit $status
