#!/usr/bin/env bash
# The long fault campaign of the counting service under Wine (root; namespaces tmF1/tmF2 with their
# own lock, so the end-to-end tests' pair stays free): KILLS times SIGKILL of TraldenMeter.exe
# "debug" at a random moment while traffic flows and a client polls ten times a second (saves come
# every 41 timed passes, about 41 s), each followed by a restart; every second kill comes a moment
# after a Ctrl+C instead, into the stop's saves. Every time the day file must parse to its exact
# length, no total may fall below the last save before the kill, the loss must stay within the
# traffic since that save, and the slot file must be whole with no connection's slots above its day
# total. Prints the figures (kills survived, largest loss in bytes and passes, kills that left bytes
# not placed in time). With the scenario "flood" it floods the request event for FLOOD_SECONDS instead and
# counts the day file's saves meanwhile.
# Usage: bench/service_faults_bench.sh [BUILD_DIR (windows preset, default build/windows)] [KILLS (100)]
#                                      [LONGEST_RUN_SECONDS (20)] [SCENARIOS (kills)] [FLOOD_SECONDS (60)]
#   e.g. bench/service_faults_bench.sh build/windows 0 0 flood 60
# The build must be done first: cmake --preset windows && cmake --build build/windows --target
# TraldenMeter rate_client
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/windows}" && pwd)
kills=${2:-100}
longest=${3:-20}
only=${4:-kills}
flood=${5:-60}
for f in "$build/service/win32/TraldenMeter.exe" "$build/tests/e2e/rate_client.exe"; do
  [ -f "$f" ] || { echo "missing $f: build the windows preset first" >&2; exit 1; }
done
exec python3 "$root/tests/e2e/faults_e2e.py" --exe "$build/service/win32/TraldenMeter.exe" \
  --client "$build/tests/e2e/rate_client.exe" --prefix "$build/wineprefix" --scripts "$root/scripts" \
  --scratch "$build/bench-faults-scratch" --own-pair --kills "$kills" --longest-run "$longest" --only "$only" \
  --flood-seconds "$flood"
