#!/usr/bin/env bash
# Runs the counting service and the monitor on this machine under Wine: installs what is missing,
# builds TraldenMeter.exe and TraldenView.exe into build/demo, makes a Wine prefix there, installs and
# starts the service in it with "installme", starts the monitor's window (on this display, or on a
# private Xvfb when there is none, then writing a screenshot of the window with live figures to
# build/demo/main_window.png), and prints every connection's totals and rates until Ctrl+C (which
# stops the service cleanly; it stays installed in the demo prefix).
# As root it also sends a little traffic over a private veth pair (198.18.0.101 <-> 198.18.0.102, one
# end in the namespace "tmCdemo") so that figures move even on a machine that is otherwise quiet.
# Usage: scripts/run-demo.sh [SECONDS (default: until Ctrl+C)]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-0}
build="$root/build/demo"

"$root/scripts/install-deps.sh"
echo "== building TraldenMeter.exe, TraldenView.exe and the snapshot client in $build"
cmake --preset windows -B "$build" >/dev/null
cmake --build "$build" --target TraldenMeter TraldenView rate_client -- -j2 >/dev/null

export WINEPREFIX="$build/demo-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
wine64=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
echo "== Wine prefix $WINEPREFIX"
"$root/scripts/wine-prefix.sh" "$WINEPREFIX"

# The day files lie beside the service executable.
service_dir="$build/demo-service"
mkdir -p "$service_dir"
cp "$build/service/win32/TraldenMeter.exe" "$service_dir/"
# The monitor reads the day files beside its own executable: both programs live in one folder.
cp "$build/monitor/TraldenView.exe" "$service_dir/"
client="$build/tests/e2e/rate_client.exe"

ping_pid=""
xvfb_pid=""
cleanup() {
  trap - EXIT INT TERM
  [ -n "$ping_pid" ] && kill "$ping_pid" 2>/dev/null
  echo
  echo "== stopping the service (its day file is saved in $service_dir)"
  "$wine64" "$client" svc-control 1 </dev/null >/dev/null 2>&1 || true
  for _ in $(seq 50); do
    "$wine64" "$client" svc-status </dev/null 2>/dev/null | grep -q '"state": 1,' && break
    sleep 0.2
  done
  "$wineserver" -k 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  if [ -n "$ping_pid" ]; then
    ip link del tmCdemo0 2>/dev/null || true
    ip netns del tmCdemo 2>/dev/null || true
  fi
  ls -l "$service_dir"/*.bin 2>/dev/null || true
}
trap cleanup EXIT
trap 'exit 0' INT TERM

"$wineserver" -p </dev/null >/dev/null 2>&1
"$wine64" cmd.exe /c exit </dev/null >/dev/null 2>&1

if [ "$(id -u)" -eq 0 ] && ip netns list >/dev/null 2>&1; then
  ip link del tmCdemo0 2>/dev/null || true
  ip netns del tmCdemo 2>/dev/null || true
  ip netns add tmCdemo
  ip link add tmCdemo0 type veth peer name tmCdemo1 netns tmCdemo
  ip addr add 198.18.0.101/24 dev tmCdemo0
  ip -n tmCdemo addr add 198.18.0.102/24 dev tmCdemo1
  ip link set tmCdemo0 up
  ip -n tmCdemo link set tmCdemo1 up
fi

echo "== installing and starting the service: TraldenMeter.exe installme"
"$wine64" "$service_dir/TraldenMeter.exe" installme </dev/null || echo "(already installed: started it)"

if ip link show tmCdemo0 >/dev/null 2>&1; then
  ip netns exec tmCdemo ping -q -i 0.2 -s 1400 198.18.0.101 >/dev/null 2>&1 &
  ping_pid=$!
  echo "== traffic: echo requests over tmCdemo0 (198.18.0.101 <-> 198.18.0.102)"
else
  echo "== not root: no traffic of our own; the figures move with this machine's own traffic"
fi

# The monitor's window: on this display, or on a private virtual one with a screenshot.
shot=""
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
  rm -f "$build/display.txt"
  Xvfb -displayfd 9 -screen 0 1024x768x24 9>"$build/display.txt" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 50); do [ -s "$build/display.txt" ] && break; sleep 0.1; done
  export DISPLAY=":$(head -n1 "$build/display.txt")"
  openbox >/dev/null 2>&1 &
  shot="$build/main_window.png"
  echo "== no display: the monitor runs on the virtual display $DISPLAY"
fi
echo "== starting the monitor: TraldenView.exe"
"$wine64" "$service_dir/TraldenView.exe" </dev/null >/dev/null 2>&1 &
if [ -n "$shot" ]; then
  sleep 8
  # The pointer rests in a corner, away from the controls and their tooltips.
  xdotool mousemove 0 0 2>/dev/null || true
  sleep 1
  import -window root "$shot" && echo "== screenshot of the window with live figures: $shot"
fi

echo "== live snapshot of the service, once a second (Ctrl+C ends)"
"$wine64" "$client" watch "$seconds" </dev/null
