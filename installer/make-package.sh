#!/usr/bin/env bash
# Builds the Windows Installer package from the built executables with wixl, then sets what wixl
# leaves out with msibuild. Used by the build (target "msi") and by the package's end-to-end test.
#   make-package.sh VERSION OUTPUT.msi SERVICE_EXE REPORT_EXE [VIEW_EXE]
# STRIP (environment) is the MinGW strip program; the package carries the programs without their
# debugging information. STRIP=none packs them as they are.
set -euo pipefail
[ $# -ge 4 ] || { echo "usage: $0 VERSION OUTPUT.msi SERVICE_EXE REPORT_EXE [VIEW_EXE]" >&2; exit 2; }
version=$1 output=$2 service=$3 report=$4 view=${5:-}
here=$(cd "$(dirname "$0")" && pwd)
strip_program=${STRIP:-x86_64-w64-mingw32-strip}

stage=$(mktemp -d "${TMPDIR:-/tmp}/tm-msi-XXXXXX")
trap 'rm -rf "$stage"' EXIT
stage_program() {
  if [ "$strip_program" = none ]; then cp "$1" "$2"; else "$strip_program" -o "$2" "$1"; fi
}
stage_program "$service" "$stage/TraldenMeter.exe"
stage_program "$report" "$stage/traldenreport.exe"
defines=(-D "Version=$version" -D ServiceExe=TraldenMeter.exe -D ReportExe=traldenreport.exe)
if [ -n "$view" ]; then
  stage_program "$view" "$stage/TraldenView.exe"
  defines+=(-D ViewExe=TraldenView.exe)
fi
# wixl takes the sources relative to the folder it runs in.
(cd "$stage" && wixl -a x64 "${defines[@]}" -o package.msi "$here/traldenmeter.wxs" 2>&1 |
   grep -v -e 'builder.vala:[0-9]*: unimplemented' -e '^$' || true)
[ -f "$stage/package.msi" ] || { echo "make-package: wixl made no package" >&2; exit 1; }

# What wixl does not write from the descriptor:
# - the older version is removed right after InstallInitialize, before anything of this one is
#   installed, not after InstallFinalize;
# - REMOVEHISTORY is passed on to the part of the removal that runs with the system's rights;
# - the history's removal: the service program stored in the package (type 2) run in the commit
#   phase (0x400 in the script + 0x200 commit), with the system's rights (0x800), its exit code
#   ignored (0x40): 3650;
# - the event source's registration: its message file as an expandable text, and the key removed
#   whole with the service's component;
# - the monitor's shortcut points at the installed file (not at the feature, which would make it
#   an advertised shortcut);
# - PROMETHEUSFILE, given on msiexec's command line, written into the service INI as
#   [OPTIONS] prometheusfile= before the service starts: a component of its own (no key file, 64-bit
#   256 + permanent 16), installed only when the property is given and never removed, so an
#   upgrade without the property keeps the value and one with it replaces it; its IniFile row
#   (action 0: add or replace the line) and the standard actions that write and remove INI values.
event_key='SYSTEM\CurrentControlSet\Services\EventLog\Application\QTraldenMeterService'
queries=(
  "UPDATE \`InstallExecuteSequence\` SET \`Sequence\` = 1501 WHERE \`Action\` = 'RemoveExistingProducts'"
  "UPDATE \`Property\` SET \`Value\` = 'WIX_DOWNGRADE_DETECTED;WIX_UPGRADE_DETECTED;REMOVEHISTORY;PROMETHEUSFILE' WHERE \`Property\` = 'SecureCustomProperties'"
  "INSERT INTO \`CustomAction\` (\`Action\`, \`Type\`, \`Source\`, \`Target\`) VALUES ('RemoveHistory', 3650, 'HistoryRemover', 'removehistory \"[INSTALLDIR]\"')"
  "UPDATE \`Registry\` SET \`Key\` = '$event_key', \`Value\` = '#%[#TraldenMeterExe]' WHERE \`Name\` = 'EventMessageFile'"
  "UPDATE \`Registry\` SET \`Key\` = '$event_key' WHERE \`Name\` = 'TypesSupported'"
  "INSERT INTO \`Registry\` (\`Registry\`, \`Root\`, \`Key\`, \`Name\`, \`Component_\`) VALUES ('EventSourceKey', 2, '$event_key', '-', 'ServiceProgram')"
  "INSERT INTO \`Component\` (\`Component\`, \`ComponentId\`, \`Directory_\`, \`Attributes\`, \`Condition\`) VALUES ('PrometheusSetting', '{9B1F4C62-8E3A-4D75-A0C9-5E7B2D8F1A64}', 'INSTALLDIR', 272, 'PROMETHEUSFILE')"
  "INSERT INTO \`FeatureComponents\` (\`Feature_\`, \`Component_\`) VALUES ('Complete', 'PrometheusSetting')"
  "CREATE TABLE \`IniFile\` (\`IniFile\` CHAR(72) NOT NULL, \`FileName\` CHAR(255) NOT NULL LOCALIZABLE, \`DirProperty\` CHAR(72), \`Section\` CHAR(96) NOT NULL LOCALIZABLE, \`Key\` CHAR(128) NOT NULL LOCALIZABLE, \`Value\` CHAR(255) NOT NULL LOCALIZABLE, \`Action\` SHORT NOT NULL, \`Component_\` CHAR(72) NOT NULL PRIMARY KEY \`IniFile\`)"
  "INSERT INTO \`IniFile\` (\`IniFile\`, \`FileName\`, \`DirProperty\`, \`Section\`, \`Key\`, \`Value\`, \`Action\`, \`Component_\`) VALUES ('PrometheusFile', 'TraldenMeter.ini', 'INSTALLDIR', 'OPTIONS', 'prometheusfile', '[PROMETHEUSFILE]', 0, 'PrometheusSetting')"
  "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Sequence\`) VALUES ('RemoveIniValues', 3100)"
  "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Sequence\`) VALUES ('WriteIniValues', 5100)"
)
[ -n "$view" ] && queries+=("UPDATE \`Shortcut\` SET \`Target\` = '[#TraldenViewExe]' WHERE \`Shortcut\` = 'TraldenViewShortcut'")
for q in "${queries[@]}"; do msibuild "$stage/package.msi" -q "$q"; done
mv "$stage/package.msi" "$output"
