#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only those that are missing.
set -eu
packages=(
  cmake ninja-build g++ googletest libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  mingw-w64 g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine64 fonts-dejavu-core fonts-vlgothic locales xvfb openbox x11-utils xdotool imagemagick
  iproute2 iputils-ping netcat-openbsd procps python3 e2fsprogs libfaketime
  nlohmann-json3-dev libcli11-dev python3-prometheus-client msitools wixl librsvg2-bin
  prometheus prometheus-node-exporter libxml2-utils
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
