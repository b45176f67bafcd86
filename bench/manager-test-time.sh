#!/usr/bin/env bash
# Times the manager's test binaries of a build one after another, each on its
# own, with net-snmp and the settings kept in a scratch folder.
# Usage: bench/manager-test-time.sh [BUILD]   (default: build)
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
. "$here/scripts/probe-sim.sh"
build=$(cd "${1:-$here/build}" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
isolate_net_snmp "$scratch"
export ZEMTRA_REGISTRY="$scratch/registry.reg" XDG_CONFIG_HOME="$scratch" QT_QPA_PLATFORM=offscreen
cd "$build/bin"
total=0
for t in test_main test_poll test_core test_snmpsettings test_surveillance test_chart test_channels \
         test_channels_window test_eventslog test_widgets test_platform test_mib; do
  [ -x "$t" ] || continue
  start=$(date +%s.%N)
  "./$t" >"$scratch/out" 2>&1
  status=$?
  seconds=$(echo "$(date +%s.%N) - $start" | bc)
  total=$(echo "$total + $seconds" | bc)
  printf '%-22s %6.2f s%s\n' "$t" "$seconds" "$([ $status = 0 ] || echo "  FAILED ($status)")"
done
printf '%-22s %6.2f s\n' total "$total"
