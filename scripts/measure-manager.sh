#!/usr/bin/env bash
# Measures vimboManager against the simulator under a virtual X server: the
# time from start to the main window shown, and the CPU it uses over a minute
# of polling, with the chart hidden or shown.
# Usage: xvfb-run -a scripts/measure-manager.sh [seconds] [--chart]
set -euo pipefail
cd "$(dirname "$0")/../build/bin"
seconds=${1:-60}
chart=${2:-}
scratch=$(mktemp -d)
export SNMPCONFPATH="$scratch" SNMP_PERSISTENT_DIR="$scratch" MIBS=

./vimboProbeSim --listen 127.0.0.1:0 >"$scratch/sim.out" &
sim=$!
trap 'kill "$sim" "${manager:-}" 2>/dev/null; rm -rf "$scratch"' EXIT
for _ in $(seq 50); do grep -q '^listening on' "$scratch/sim.out" && break; sleep 0.1; done
port=$(sed 's/.*://' "$scratch/sim.out")

start=$(date +%s.%N)
./vimboManager --agent 127.0.0.1 --port "$port" &
manager=$!
window=$(xdotool search --sync --onlyvisible --name '^Vimbo SNMP Demo Manager$' | head -n 1)
shown=$(date +%s.%N)
echo "start to window shown: $(echo "$shown - $start" | bc) s"
if [ "$chart" = "--chart" ]; then
  sleep 4  # the first polling tick enables the chart button
  xdotool mousemove --window "$window" 130 614 click 1  # btnShowChart
  xdotool search --sync --onlyvisible --name 'Measures Chart' >/dev/null
  echo "chart shown"
fi

ticks=$(getconf CLK_TCK)
cpu() { awk '{print $14 + $15}' "/proc/$manager/stat"; }
before=$(cpu)
sleep "$seconds"
after=$(cpu)
echo "CPU over ${seconds} s of polling: $(echo "scale=2; 100 * ($after - $before) / $ticks / $seconds" | bc) % of one core"
