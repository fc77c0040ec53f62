#!/usr/bin/env bash
# Runs netns_counter_pass.exe inside a private network namespace pair with its own Wine prefix.
# Usage: netns_counter_pass.sh EXE BUILD_PREFIX SCRIPTS_DIR SCRATCH_DIR
# Exit 0 passed, 1 failed, 77 skipped (not root, or no network namespaces here).
set -u
exe=${1:?exe}
build_prefix=${2:?wine prefix of the build}
scripts=${3:?scripts directory}
scratch=${4:?scratch directory}

ns_a=tmA1 ns_b=tmA2
# The namespaces are system-wide: runs from other build directories wait for this lock.
exec 8>/tmp/tmA-netns.lock
flock -w 900 8 || { echo "another run keeps the namespaces $ns_a/$ns_b"; exit 1; }
if_a=tmA1v0 if_b=tmA2v0
ip_a=198.18.0.1 ip_b=198.18.0.2
port=9000
wineserver=/usr/lib/wine/wineserver
wine64=/usr/lib/wine/wine64

if [ "$(id -u)" -ne 0 ]; then
  echo "skipped: network namespaces need root"
  exit 77
fi
if ! command -v ip >/dev/null || ! ip netns list >/dev/null 2>&1; then
  echo "skipped: 'ip netns' is not available"
  exit 77
fi

prefix="$scratch/wineprefix"
echo_pid=""
cleanup() {
  [ -n "$echo_pid" ] && kill "$echo_pid" 2>/dev/null && wait "$echo_pid" 2>/dev/null
  [ -d "$prefix" ] && WINEPREFIX="$prefix" "$wineserver" -k >/dev/null 2>&1
  ip netns del "$ns_a" 2>/dev/null
  ip netns del "$ns_b" 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT
cleanup  # leftovers of an interrupted run
trap 'exit 1' INT TERM

if ! ip netns add "$ns_a" 2>/dev/null || ! ip netns add "$ns_b" 2>/dev/null; then
  echo "skipped: cannot create network namespaces here"
  exit 77
fi
set -e
# No IPv6 on the pair, so that no neighbour discovery or router solicitation moves the counters.
for ns in "$ns_a" "$ns_b"; do
  ip netns exec "$ns" sysctl -qw net.ipv6.conf.all.disable_ipv6=1 net.ipv6.conf.default.disable_ipv6=1
done
ip link add "$if_a" netns "$ns_a" type veth peer name "$if_b" netns "$ns_b"
ip -n "$ns_a" addr add "$ip_a/24" dev "$if_a"
ip -n "$ns_b" addr add "$ip_b/24" dev "$if_b"
ip -n "$ns_a" link set "$if_a" up
ip -n "$ns_b" link set "$if_b" up
# Fixed neighbours: no address resolution traffic of its own during the measurement.
mac_a=$(ip netns exec "$ns_a" cat "/sys/class/net/$if_a/address")
mac_b=$(ip netns exec "$ns_b" cat "/sys/class/net/$if_b/address")
ip -n "$ns_a" neigh replace "$ip_b" lladdr "$mac_b" dev "$if_a" nud permanent
ip -n "$ns_b" neigh replace "$ip_a" lladdr "$mac_a" dev "$if_b" nud permanent

# The UDP echo peer.
ip netns exec "$ns_b" python3 -c "
import socket
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.bind(('$ip_b', $port))
while True:
    data, peer = s.recvfrom(65535)
    s.sendto(data, peer)
" &
echo_pid=$!

# Wine lists the interfaces of the namespace its server and device host start in, so this run gets
# a copy of the build's prefix and a server of its own, started inside the namespace.
"$scripts/wine-prefix.sh" "$build_prefix"
mkdir -p "$scratch"
cp -a "$build_prefix" "$prefix"
set +e
ip netns exec "$ns_a" env WINEPREFIX="$prefix" WINEDEBUG=-all \
  WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" bash -c '
    "$0" -p10 </dev/null >/dev/null 2>&1
    "$1" cmd.exe /c exit </dev/null >/dev/null 2>&1
    exec "$1" "$2" "$3" "$4" "$5"' "$wineserver" "$wine64" "$exe" "$if_a" "$ip_b" "$port"
