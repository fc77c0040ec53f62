#!/usr/bin/env bash
# Benchmarks of the monitor under Wine on an Xvfb screen, with refresh 1 s:
#   1. the idle monitor polling the real service: its private memory above a Wine process that only
#      waits (and above one that shows an empty dialog), and its CPU per minute beside the service's
#      and the Wine server's in the same run (goal: within 2x of the service's own figures);
#   2. time from a poll's answer to the new text in the downloaded field, p50 and p99 over POLLS
#      polls, with bench/win32/monitor_bench.exe playing the service.
# With BENCH_READOUTS=1 instead: the monitor's CPU with the speed icon and the speed strip on against
# both off, in one Wine desktop with a notification area, in turns of IDLE_SECONDS each (off, on,
# off, on, ... BENCH_ROUNDS (2) times), while monitor_bench.exe plays the service: a download and an
# upload whose figures change a little at every refresh and whose download steps down and up every
# 20 s (BENCH_TRAFFIC=steady, the default), or speeds that jump across the icon's scale at every
# answer, so that the icon changes at every refresh (BENCH_TRAFFIC=changing). BENCH_READOUTS=icon
# or =strip turns on only that one in the "on" turns.
# Usage: [BENCH_STRIP=0] [BENCH_POINTER=over] [BENCH_READOUTS=1|icon|strip [BENCH_ROUNDS=n] [BENCH_TRAFFIC=changing]]
#        bench/monitor_bench.sh
#        [BUILD_DIR (windows preset, default build/windows)] [IDLE_SECONDS (60)] [POLLS (200)]
# Build first: cmake --preset windows &&
#   cmake --build build/windows --target TraldenView TraldenMeter monitor_bench service_bench
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/windows}" && pwd)
idle=${2:-60}
polls=${3:-200}
monitor="$build/monitor/TraldenView.exe"
[ -f "$monitor" ] || monitor=$(find "$build/monitor" -name TraldenView.exe | head -1)
meter="$build/service/win32/TraldenMeter.exe"
bench="$build/bench/win32/monitor_bench.exe"
service_bench="$build/bench/win32/service_bench.exe"
for f in "$monitor" "$meter" "$bench" "$service_bench"; do
  [ -n "$f" ] && [ -f "$f" ] || { echo "missing ${f:-TraldenView.exe}: build the windows preset first" >&2; exit 1; }
done
for tool in Xvfb openbox xdotool; do
  command -v "$tool" >/dev/null || { echo "$tool is missing: run scripts/install-deps.sh" >&2; exit 1; }
done

scratch="$build/monitor-bench-scratch"
export WINEPREFIX="$scratch/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
wine64=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
pids=()
cleanup() {
  [ -d "$WINEPREFIX" ] && "$wineserver" -k 2>/dev/null
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$scratch"
}
trap cleanup EXIT
rm -rf "$scratch"
mkdir -p "$scratch/app"

# A screen of our own: Xvfb picks a free display number; openbox manages the windows.
exec 8< <(Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp 2>/dev/null)
pids+=($!)
read -r display <&8
export DISPLAY=":$display"
openbox >/dev/null 2>&1 &
pids+=($!)

"$root/scripts/wine-prefix.sh" "$build/wineprefix"
cp -a "$build/wineprefix" "$WINEPREFIX"
"$wineserver" -p </dev/null >/dev/null 2>&1
if [ "${BENCH_READOUTS:-0}" != 0 ]; then
  # Every program in one Wine desktop with a task bar, whose notification area takes the icon; set
  # before the first program of the prefix runs.
  "$wine64" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f </dev/null >/dev/null 2>&1
  "$wine64" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1000x700 /f </dev/null >/dev/null 2>&1
fi
"$wine64" cmd.exe /c exit </dev/null >/dev/null 2>&1
# Stripped copies, as they would ship, of the programs and of the two baselines: the build's debug
# sections are part of each image, and Wine reads them into private memory (2-3 MiB per program)
# where Windows would map the file. BENCH_STRIP=0 measures the executables as built.
for f in "$meter" "$monitor" "$bench" "$service_bench"; do
  if [ "${BENCH_STRIP:-1}" = 1 ]; then
    x86_64-w64-mingw32-strip -o "$scratch/app/$(basename "$f")" "$f"
  else
    cp "$f" "$scratch/app/"
  fi
done
bench="$scratch/app/monitor_bench.exe"
service_bench="$scratch/app/service_bench.exe"
appdata=$(find "$WINEPREFIX/drive_c/users" -maxdepth 3 -path '*/AppData/Roaming' ! -path '*/Public/*' | head -1)
printf '[OPTIONS]\r\nrefresh=1\r\n' >"$appdata/TraldenView.ini"

cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

if [ "${BENCH_READOUTS:-0}" != 0 ]; then
  rounds=${BENCH_ROUNDS:-2}
  case $BENCH_READOUTS in icon) what="the speed icon";; strip) what="the strip";; *) what="the speed icon and the strip";; esac
  echo "== the read-outs: monitor CPU with $what on against both off, $rounds x 2 turns of $idle s, ${BENCH_TRAFFIC:-steady} traffic"
  setsid "$wine64" "$bench" play $((rounds * 2 * (idle + 15) + 30)) "${BENCH_TRAFFIC:-steady}" </dev/null >/dev/null 2>&1 &
  play_pid=$!
  pids+=("$play_pid")
  # The shell's process for this prefix: it draws the icon the monitor hands it.
  shell_pid() {
    for p in /proc/[0-9]*; do
      if { tr '\0' '\n' <"$p/cmdline"; } 2>/dev/null | head -2 | grep -qi 'explorer.exe' &&
         { tr '\0' '\n' <"$p/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX"; then
        echo "${p#/proc/}"; return
      fi
    done
  }
  # CPU time of every thread of a process, nanoseconds (the scheduler's own count: finer than ticks).
  cpu_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{sum += $1} END {printf "%d\n", sum}'; }
  results=()
  for ((round = 1; round <= rounds; round++)); do
    for readouts in NO YES; do
      icon=$readouts; strip=$readouts
      [ "$BENCH_READOUTS" = strip ] && icon=NO
      [ "$BENCH_READOUTS" = icon ] && strip=NO
      printf '[OPTIONS]\r\nrefresh=1\r\nmintray=NO\r\nspeedicon=%s\r\nspeedstrip=%s\r\n' "$icon" "$strip" \
        >"$appdata/TraldenView.ini"
      setsid "$wine64" "$scratch/app/TraldenView.exe" </dev/null >/dev/null 2>&1 &
      monitor_pid=$!
      sleep 8
      xdotool mousemove 1023 767
      sleep 2
      shell=$(shell_pid)
      m0=$(cpu_ns "$monitor_pid"); e0=$(cpu_ns "${shell:-$monitor_pid}")
      sleep "$idle"
      m1=$(cpu_ns "$monitor_pid"); e1=$(cpu_ns "${shell:-$monitor_pid}")
      kill "$monitor_pid"; wait "$monitor_pid" 2>/dev/null || true
      sleep 1
      results+=("$readouts $((m1 - m0)) $((e1 - e0))")
      echo "round $round, read-outs $readouts: monitor $(((m1 - m0) / 1000000)) ms, shell $(((e1 - e0) / 1000000)) ms"
    done
  done
  printf '%s\n' "${results[@]}" | python3 -c '
import sys
idle = float(sys.argv[1])
sums = {"NO": [0, 0, 0], "YES": [0, 0, 0]}
for line in sys.stdin:
    what, monitor, shell = line.split()
    sums[what][0] += int(monitor); sums[what][1] += int(shell); sums[what][2] += 1
per_min = lambda ns, turns: ns / 1e6 / (idle * turns) * 60
off, on = sums["NO"], sums["YES"]
print(f"monitor CPU per minute: both off {per_min(off[0], off[2]):.1f} ms, {sys.argv[2]} on "
      f"{per_min(on[0], on[2]):.1f} ms: on / off {on[0] / max(off[0], 1):.2f} (goal <= 1.1)")
print(f"the shell (it draws the icon it is given): off {per_min(off[1], off[2]):.1f} ms, on {per_min(on[1], on[2]):.1f} ms per minute")
' "$idle" "$what"
  exit 0
fi
# The Wine server of this prefix works in a directory named after the prefix's device and inode
# (under /tmp/.wine-UID or a temporary directory, depending on how Wine was built).
server_dir=$(printf "server-%x-%x" "$(stat -c %d "$WINEPREFIX")" "$(stat -c %i "$WINEPREFIX")")
server_pid=""
for p in /proc/[0-9]*; do
  case "$(readlink "$p/cwd" 2>/dev/null)" in */"$server_dir") server_pid=${p#/proc/}; break ;; esac
done
[ -n "$server_pid" ] || { echo "the Wine server of $WINEPREFIX was not found" >&2; exit 1; }

echo "== 1. the monitor at refresh 1 s, polling the real service, over $idle s"
setsid "$wine64" "$scratch/app/TraldenMeter.exe" debug </dev/null >/dev/null 2>&1 &
meter_pid=$!
setsid "$wine64" "$scratch/app/TraldenView.exe" </dev/null >/dev/null 2>&1 &
monitor_pid=$!
setsid "$wine64" "$service_bench" idle </dev/null >/dev/null 2>&1 &
idle_pid=$!
setsid "$wine64" "$bench" idle-window </dev/null >/dev/null 2>&1 &
window_pid=$!
pids+=("$meter_pid" "$monitor_pid" "$idle_pid" "$window_pid")
sleep 10
# The pointer starts in the middle of the screen, over the monitor's window: a tooltip control then
# asks for the pointer's position every 100 ms, which under Wine is an X server round trip and costs
# more than the polls. BENCH_POINTER=over leaves it there; by default it goes to a corner, as when
# the user works in another window.
[ "${BENCH_POINTER:-corner}" = over ] || xdotool mousemove 1023 767
sleep 2
m0=$(cpu_ticks "$monitor_pid"); v0=$(cpu_ticks "$meter_pid"); s0=$(cpu_ticks "$server_pid"); w0=$(cpu_ticks "$window_pid")
thread_ticks() { for t in /proc/"$1"/task/*; do echo "${t##*/}:$(awk '{print $14 + $15}' "$t/stat")"; done; }
t0=$(thread_ticks "$monitor_pid")
sleep "$idle"
t1=$(thread_ticks "$monitor_pid")
m1=$(cpu_ticks "$monitor_pid"); v1=$(cpu_ticks "$meter_pid"); s1=$(cpu_ticks "$server_pid"); w1=$(cpu_ticks "$window_pid")
python3 - "$m0" "$m1" "$v0" "$v1" "$s0" "$s1" "$w0" "$w1" "$(getconf CLK_TCK)" "$idle" "$monitor_pid" \
  "$meter_pid" "$idle_pid" "$window_pid" "$t0" "$t1" <<'EOF'
import sys
m0, m1, v0, v1, s0, s1, w0, w1, hz, idle = (float(x) for x in sys.argv[1:11])
monitor, meter, waiting, window = sys.argv[11:15]
def private_mib(pid):
    rollup = {l.split(":")[0]: int(l.split()[1]) for l in open(f"/proc/{pid}/smaps_rollup") if l.endswith("kB\n")}
    return rollup["Private_Dirty"] / 1024
mon, svc, base, win = (private_mib(p) for p in (monitor, meter, waiting, window))
print(f"private dirty memory: monitor {mon:.2f} MiB; a Wine process that only waits {base:.2f} MiB, one that "
      f"shows an empty dialog {win:.2f} MiB; the monitor's share above them {mon - base:.2f} / {mon - win:.2f} MiB; "
      f"the service's share {svc - base:.2f} MiB")
per_min = lambda a, b: (b - a) / hz / idle * 60
print(f"CPU per minute: monitor {per_min(m0, m1) * 1000:.0f} ms ({per_min(m0, m1) / 60 * 100:.3f} % of a core), "
      f"service {per_min(v0, v1) * 1000:.0f} ms ({per_min(v0, v1) / 60 * 100:.3f} %), "
      f"Wine server {per_min(s0, s1) * 1000:.0f} ms ({per_min(s0, s1) / 60 * 100:.3f} %), "
      f"the empty dialog {per_min(w0, w1) * 1000:.0f} ms; monitor / service {(m1 - m0) / max(v1 - v0, 1):.2f}")
# The monitor's threads: the first is the window's; the poll thread is the one that does the most
# besides it (Wine adds threads of its own that mostly wait).
before, after = (dict(x.split(":") for x in arg.split()) for arg in sys.argv[15:17])
threads = sorted(((tid, per_min(float(before[tid]), float(t))) for tid, t in after.items() if tid in before),
                 key=lambda x: int(x[0]))
print("monitor's threads per minute: " + ", ".join(f"{tid} {ms * 1000:.0f} ms" for tid, ms in threads))
EOF

echo "== 2. poll answered -> text on screen, $polls polls (the bench plays the service)"
"$wine64" "$service_bench" stop </dev/null >/dev/null 2>&1 || true
wait "$meter_pid" 2>/dev/null || true
"$wine64" "$bench" latency "$polls" </dev/null
