#!/usr/bin/env bash
# Builds the native fuzz targets (the rate-block decoding and the history's day-file reading) with
# clang's libFuzzer and runs each for a bounded time.
# Usage: scripts/fuzz.sh [seconds-per-target=15] [build-dir=build/fuzz]
#   e.g. a longer run: scripts/fuzz.sh 1800
# Exit status 0 when both targets ran their time without a finding; findings are left in the
# build directory as crash-* files.
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-15}
out=${2:-build/fuzz}
cxx=${FUZZ_CXX:-clang++}
if ! command -v "$cxx" >/dev/null; then
  echo "fuzz: $cxx not found (Debian packages clang and libclang-rt-14-dev); skipped"
  exit 77
fi
mkdir -p "$out"
common=(-std=c++20 -g -O1 -I. -Itests -Itests/monitor)
core_sources=(shared/ascii_text.cpp shared/rate_block_reader.cpp shared/day_file_codec.cpp shared/civil_date.cpp
              monitor/common/connection_list.cpp history/day_reading.cpp history/statistic_data.cpp)

echo "fuzz: building in $out"
"$cxx" "${common[@]}" tests/fuzz/make_seeds.cpp -o "$out/make_seeds"
for target in rate_block day_file; do
  "$cxx" "${common[@]}" -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    "tests/fuzz/${target}_fuzz.cpp" "${core_sources[@]}" -o "$out/${target}_fuzz" &
done
wait_status=0
for job in $(jobs -p); do wait "$job" || wait_status=1; done
[ $wait_status -eq 0 ] || { echo "fuzz: build failed"; exit 1; }

mkdir -p "$out/corpus-rate_block" "$out/corpus-day_file"
"$out/make_seeds" "$out/corpus-rate_block" "$out/corpus-day_file"

status=0
for target in rate_block day_file; do
  echo "fuzz: $target for ${seconds}s"
  if ! (cd "$out" && "./${target}_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
          -print_final_stats=1 "corpus-$target" 2>"$target.log"); then
    echo "fuzz: $target FOUND A FAULT, see $out/$target.log"
    tail -40 "$out/$target.log"
    status=1
  else
    grep -E "stat::number_of_executed_units|Done" "$out/$target.log" | tail -2
  fi
done
exit $status
