#!/usr/bin/env bash
# Benchmarks of the counting service under Wine, on this machine's own interfaces:
#   1. CPU per sampling pass against one bare GetIfTable2 call in the same run (goal <= 1.2x);
#   2. request round trip from setting "Global\QRateGet" to the snapshot copied, p50/p99, against a
#      bare cross-process event ping-pong (goals <= 1.5x and p99 < 5 ms);
#   3. the service's private memory and CPU at idle over IDLE_SECONDS (goals < 4 MB, < 0.1 % of a core);
#   4. a save of 1, 10 and 1,000 connections with 12 busy slots each: the bytes of the day file and
#      the slot file, the time, and the private memory the connections take (against no connection).
# Usage: [BENCH_STRIP=0] bench/service_bench.sh [BUILD_DIR (windows preset, default build/windows)] [IDLE_SECONDS (60)]
# The build must be done first, e.g.: cmake --preset windows && cmake --build --preset windows
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/windows}" && pwd)
idle=${2:-60}
bench="$build/bench/win32/service_bench.exe"
meter="$build/service/win32/TraldenMeter.exe"
for f in "$bench" "$meter"; do
  [ -f "$f" ] || { echo "missing $f: build the windows preset first" >&2; exit 1; }
done

scratch="$build/bench-scratch"
export WINEPREFIX="$scratch/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
wine64=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
meter_pid=""
cleanup() {
  [ -n "$meter_pid" ] && kill "$meter_pid" 2>/dev/null
  [ -d "$WINEPREFIX" ] && "$wineserver" -k 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT
rm -rf "$scratch"
mkdir -p "$scratch/svc"
"$root/scripts/wine-prefix.sh" "$build/wineprefix"
cp -a "$build/wineprefix" "$WINEPREFIX"
"$wineserver" -p </dev/null >/dev/null 2>&1
"$wine64" cmd.exe /c exit </dev/null >/dev/null 2>&1
# Stripped copies, as they would ship: the build's debug sections are part of each image, and Wine
# reads them into private memory where Windows would map the file, so the service's share of memory
# would follow the sizes of the two programs' debug sections. BENCH_STRIP=0 measures them as built.
mkdir -p "$scratch/app"
for f in "$bench" "$meter"; do
  if [ "${BENCH_STRIP:-1}" = 1 ]; then
    x86_64-w64-mingw32-strip -o "$scratch/app/$(basename "$f")" "$f"
  else
    cp "$f" "$scratch/app/"
  fi
done
bench="$scratch/app/service_bench.exe"
meter="$scratch/app/TraldenMeter.exe"

echo "== 1. sampling pass against a bare GetIfTable2, and with against without slots (same run, alternating blocks of 100)"
"$wine64" "$bench" sample 6000 </dev/null

echo "== 2. request round trip against a bare event ping-pong"
cp "$meter" "$scratch/svc/"
setsid "$wine64" "$scratch/svc/TraldenMeter.exe" debug </dev/null >/dev/null 2>&1 &
meter_pid=$!
for _ in $(seq 50); do
  "$wine64" "$bench" rtt 1 </dev/null >/dev/null 2>&1 && break
  sleep 0.2
done
"$wine64" "$bench" rtt 1000 </dev/null
"$wine64" "$bench" pingpong 1000 </dev/null

echo "== 3. the service at idle for $idle s (no requests)"
# Wine does not report private bytes of another process, so memory is read from Linux: the private
# dirty pages of the service's process beside those of a Wine process that only waits.
setsid "$wine64" "$bench" idle </dev/null >/dev/null 2>&1 &
idle_pid=$!
# The Wine server of this prefix does the kernel side of every wait: its CPU is shown beside.
server_dir=$(printf "/tmp/.wine-%d/server-%x-%x" "$(id -u)" "$(stat -c %d "$WINEPREFIX")" "$(stat -c %i "$WINEPREFIX")")
server_pid=""
for p in /proc/[0-9]*; do
  [ "$(readlink "$p/cwd" 2>/dev/null)" = "$server_dir" ] && server_pid=${p#/proc/} && break
done
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
sleep 5
m0=$(cpu_ticks "$meter_pid")
s0=$([ -n "$server_pid" ] && cpu_ticks "$server_pid" || echo 0)
sleep "$idle"
m1=$(cpu_ticks "$meter_pid")
s1=$([ -n "$server_pid" ] && cpu_ticks "$server_pid" || echo 0)
python3 - "$m0" "$m1" "$s0" "$s1" "$(getconf CLK_TCK)" "$idle" "$meter_pid" "$idle_pid" <<'EOF2'
import sys
m0, m1, s0, s1, hz, idle = (float(x) for x in sys.argv[1:7])
def private_kib(pid):
    rollup = {l.split(":")[0]: int(l.split()[1]) for l in open(f"/proc/{pid}/smaps_rollup") if l.endswith("kB\n")}
    return rollup["Private_Dirty"]
service, baseline = private_kib(sys.argv[7]), private_kib(sys.argv[8])
print(f"private dirty memory: service {service / 1024:.2f} MiB, a Wine process that only waits "
      f"{baseline / 1024:.2f} MiB, the service's own share {(service - baseline) / 1024:.2f} MiB (goal < 4 MB)")
print(f"CPU over {idle:.0f} s: service {(m1 - m0) / hz / idle * 100:.3f} % of a core (goal < 0.1 %), "
      f"its Wine server {(s1 - s0) / hz / idle * 100:.3f} %")
EOF2
"$wine64" "$bench" stop </dev/null || true

echo "== 4. saves with 1, 10 and 1,000 connections of 12 busy slots each"
private_kib() { awk '/^Private_Dirty:/ {print $2}' "/proc/$1/smaps_rollup"; }
held_kib() {  # the private memory of "service_bench save N" once it holds its table
  local out="$scratch/save-$1.txt"
  setsid "$wine64" "$bench" save "$1" 12 21 </dev/null >"$out" 2>/dev/null &
  local pid=$!
  for _ in $(seq 600); do grep -q holding "$out" 2>/dev/null && break; sleep 0.1; done
  grep -v holding "$out" >&2
  private_kib "$pid"
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null || true
}
none=$(held_kib 0)
for n in 1 10 1000; do
  kib=$(held_kib "$n")
  echo "  private memory holding $n connections: $(awk -v k="$kib" -v z="$none" 'BEGIN {printf "%.2f MiB, %.0f KiB above none", k / 1024, k - z}')"
done
kill "$idle_pid" 2>/dev/null || true
