#!/usr/bin/env bash
# The main job: the simulated probe on loopback, and vimboManager watching it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display here. Run the manager under a virtual X server instead:" >&2
  echo "  xvfb-run -a scripts/demo.sh" >&2
  exit 1
fi

. scripts/probe-sim.sh
scratch=$(mktemp -d)
isolate_net_snmp "$scratch"
# The demo meets the simulator, whatever settings file this user keeps, and
# its made-up probe stays out of the user's alarm history.
export XDG_CONFIG_HOME="$scratch" XDG_STATE_HOME="$scratch/state"
cd build/bin  # the manager loads CCIR.can from its working directory

trap 'kill "${sim_pid:-}" 2>/dev/null; wait "${sim_pid:-}" 2>/dev/null; rm -rf "$scratch"' EXIT
start_sim ./vimboProbeSim "$scratch/sim.out" 127.0.0.1:0 || { echo "The probe simulator did not start" >&2; exit 1; }
echo "Probe simulator: $(head -n 1 "$scratch/sim.out")"

./vimboManager --agent 127.0.0.1 --port "$sim_port"
