#!/usr/bin/env bash
# The monitor's poll against TraldenMeter.exe "debug" in a private namespace pair (tmB1/tmB2): the
# peer pings the service's veth, so the snapshot holds a real connection with traffic.
# Usage: poll_netns_e2e.sh POLL_EXE SERVICE_EXE BUILD_PREFIX SCRIPTS_DIR SCRATCH_DIR
# Root only; otherwise exits 77 (skipped) with the reason.
set -u
poll_exe=$1 service_exe=$2 build_prefix=$3 scripts=$4 scratch=$5
ns=tmB1 peer=tmB2 ip_service=198.18.0.11 ip_peer=198.18.0.12
wineserver=/usr/lib/wine/wineserver wine64=/usr/lib/wine/wine64
# The namespaces are system-wide: runs from other build directories wait for this lock.
exec 8>/tmp/tmB-netns.lock
flock -w 900 8 || { echo "another run keeps the namespaces $ns/$peer"; exit 1; }

[ "$(id -u)" -eq 0 ] || { echo "skipped: network namespaces need root"; exit 77; }
ip netns list >/dev/null 2>&1 || { echo "skipped: 'ip netns' is not available"; exit 77; }

export WINEPREFIX=$scratch/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
ping_pid=""
cleanup() {
  [ -n "$ping_pid" ] && kill "$ping_pid" 2>/dev/null
  if [ -d "$WINEPREFIX" ]; then
    "$wineserver" -k >/dev/null 2>&1
    "$wineserver" -w >/dev/null 2>&1
  fi
  ip netns del $ns >/dev/null 2>&1
  ip netns del $peer >/dev/null 2>&1
  rm -rf "$scratch"
}
cleanup
trap cleanup EXIT
ip netns add $ns || { echo "skipped: cannot create network namespaces here"; exit 77; }
ip netns add $peer
for n in $ns $peer; do
  ip netns exec $n sysctl -qw net.ipv6.conf.all.disable_ipv6=1 net.ipv6.conf.default.disable_ipv6=1
done
ip link add ${ns}v0 netns $ns type veth peer name ${peer}v0 netns $peer
ip -n $ns addr add $ip_service/24 dev ${ns}v0
ip -n $peer addr add $ip_peer/24 dev ${peer}v0
for n in $ns $peer; do ip -n $n link set ${n}v0 up; ip -n $n link set lo up; done
mac=$(ip netns exec $ns cat /sys/class/net/${ns}v0/address | tr 'a-f:' 'A-F-')

# Wine lists the interfaces of the namespace its server starts in: a prefix copy with its own server.
"$scripts/wine-prefix.sh" "$build_prefix" || exit 1
mkdir -p "$scratch"
cp -a "$build_prefix" "$WINEPREFIX"
ip netns exec $ns "$wineserver" -p </dev/null >/dev/null 2>&1
ip netns exec $ns "$wine64" cmd.exe /c exit </dev/null >/dev/null 2>&1

ip netns exec $peer ping -q -i 0.2 -w 60 $ip_service >/dev/null 2>&1 &
ping_pid=$!

to_windows() { echo "Z:$(realpath "$1" | tr '/' '\\')"; }
ip netns exec $ns "$wine64" "$poll_exe" --gtest_color=no "--service=$(to_windows "$service_exe")" \
  "--expect-key=$mac" "--expect-ip=$ip_service" </dev/null >"$scratch/out.txt" 2>&1
status=$?
cat "$scratch/out.txt"
exit $status
