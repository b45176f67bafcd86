#!/usr/bin/env bash
# Measures vimboManager against the simulator under a virtual X server: the
# time from start to the main window shown, and the CPU it uses over a minute
# of polling. Usage: xvfb-run -a scripts/measure-manager.sh [seconds]
set -euo pipefail
cd "$(dirname "$0")/../build/bin"
seconds=${1:-60}
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
xdotool search --sync --onlyvisible --name '^Vimbo SNMP Demo Manager$' >/dev/null
shown=$(date +%s.%N)
echo "start to window shown: $(echo "$shown - $start" | bc) s"

ticks=$(getconf CLK_TCK)
cpu() { awk '{print $14 + $15}' "/proc/$manager/stat"; }
before=$(cpu)
sleep "$seconds"
after=$(cpu)
echo "CPU over ${seconds} s of polling: $(echo "scale=2; 100 * ($after - $before) / $ticks / $seconds" | bc) % of one core"
