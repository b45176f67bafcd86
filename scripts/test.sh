#!/usr/bin/env bash
# Builds everything and runs every test through ctest, then again in a build
# with the address and undefined-behaviour sanitizers, where any report fails
# the run. Exits non-zero when a test fails.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
# net-snmp's tools and libraries must not touch system folders during tests.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
. scripts/probe-sim.sh
isolate_net_snmp "$scratch"
export ZEMTRA_REGISTRY="$scratch/registry.reg" XDG_CONFIG_HOME="$scratch" XDG_STATE_HOME="$scratch/state"

# The sanitizer build compiles at the lowest priority while the first run's
# tests, which mostly wait on timers and sockets, take what they need.
# -O1 as the sanitizers advise: reports stay exact and the build is quicker.
# One unit per file here, so a file that forgets an include fails to build.
(
  nice -n 19 cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" \
    -DVIMBO_SANITIZE=ON -DVIMBO_BUILD_BENCH=OFF -DCMAKE_UNITY_BUILD=OFF >/dev/null
  nice -n 19 cmake --build build-asan -j"$(nproc)"
) >"$scratch/asan-build.log" 2>&1 &
asan_build=$!
tested=0
ctest --test-dir build --output-on-failure -j"$(nproc)" || tested=$?
built=0
wait "$asan_build" || built=$?
if [ "$built" -ne 0 ]; then
  tail -n 60 "$scratch/asan-build.log"
  echo "the sanitizer build failed" >&2
fi
[ "$tested" -eq 0 ] && [ "$built" -eq 0 ] || exit 1

export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# The checks of the monitoring files against the servers ran above already.
ctest --test-dir build-asan --output-on-failure -j"$(nproc)" -LE monitoring-servers
