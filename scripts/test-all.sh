#!/usr/bin/env bash
# The one test command: installs what is missing, then configures, builds and runs every test of
# the native, sanitizer and Windows (under Wine) builds. Exit status 0 only when all passed.
set -u
cd "$(dirname "$0")/.."
scripts/install-deps.sh || exit 1
status=0
for preset in native native-asan windows; do
  echo "==== $preset: configure and build"
  if ! cmake --preset "$preset" >/dev/null || ! cmake --build --preset "$preset"; then
    echo "==== $preset: BUILD FAILED"
    status=1
    continue
  fi
  echo "==== $preset: tests"
  ctest --preset "$preset" || status=1
done
[ $status -eq 0 ] && echo "==== all tests passed" || echo "==== SOME TESTS FAILED"
exit $status
