#!/usr/bin/env bash
# Measures vimboManager against the simulator under a virtual X server: the
# time from start to the main window shown, and the CPU it uses over a minute
# of polling, with the chart hidden or shown.
# Usage: xvfb-run -a scripts/measure-manager.sh [seconds] [--chart|--no-history]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/probe-sim.sh"
cd "$here/../build/bin"
seconds=${1:-60}
chart=${2:-}
scratch=$(mktemp -d)
isolate_net_snmp "$scratch"
export XDG_STATE_HOME="$scratch/state"  # the history it records, thrown away after
trap 'kill "${sim_pid:-}" "${manager:-}" 2>/dev/null; rm -rf "$scratch"' EXIT
start_sim ./vimboProbeSim "$scratch/sim.out" 127.0.0.1:0 || { echo "the simulator did not start" >&2; exit 1; }
port=$sim_port

start=$(date +%s.%N)
history=()
[ "$chart" = "--no-history" ] && history=(--no-history)
./vimboManager --agent 127.0.0.1 --port "$port" "${history[@]}" &
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
echo "resident memory: $(awk '/^VmRSS/ {printf "%.1f MB", $2 / 1024}' "/proc/$manager/status")"
[ -d "$XDG_STATE_HOME/vimbo" ] && echo "history recorded: $(du -k "$XDG_STATE_HOME/vimbo" | tail -n 1 | cut -f1) KB"
true
