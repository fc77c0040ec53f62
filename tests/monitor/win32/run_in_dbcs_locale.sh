#!/usr/bin/env bash
# Runs a Windows test program under Wine with a double-byte ANSI code page (932): Wine takes the code
# page from the locale, so the Japanese locale is compiled into LOCDIR once and given to glibc through
# LOCPATH (the system's own locales stay as they are). Exits 77 when that cannot be done.
# Usage: run_in_dbcs_locale.sh LOCDIR WINE_RUN_SCRIPT PROGRAM [ARGS...]
set -u
locdir=${1:?locale directory}
wine_run=${2:?wine-run script}
shift 2
skip() { echo "skipped: $1"; exit 77; }
command -v localedef >/dev/null 2>&1 || skip "localedef is missing (package locales)"
[ -f /usr/share/i18n/locales/ja_JP ] || skip "the ja_JP locale source is missing (package locales)"
command -v fc-list >/dev/null 2>&1 && fc-list :lang=ja | grep -q . || skip "no Japanese font (package fonts-vlgothic)"
if [ ! -f "$locdir/ja_JP.UTF-8/LC_CTYPE" ]; then
  mkdir -p "$locdir"
  localedef -i ja_JP -f UTF-8 "$locdir/ja_JP.UTF-8" >/dev/null 2>&1 || [ -f "$locdir/ja_JP.UTF-8/LC_CTYPE" ] ||
    skip "localedef could not compile ja_JP.UTF-8"
fi
export LOCPATH="$locdir" LC_ALL=ja_JP.UTF-8
exec "$wine_run" "$@"
