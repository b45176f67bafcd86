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

scratch=$(mktemp -d)
export SNMPCONFPATH="$scratch" SNMP_PERSISTENT_DIR="$scratch" MIBS=
# The demo meets the simulator, whatever settings file this user keeps.
export XDG_CONFIG_HOME="$scratch"
cd build/bin  # the manager loads CCIR.can from its working directory

./vimboProbeSim --listen 127.0.0.1:0 >"$scratch/sim.out" &
sim=$!
trap 'kill "$sim" 2>/dev/null; wait "$sim" 2>/dev/null; rm -rf "$scratch"' EXIT
for _ in $(seq 50); do
  grep -q '^listening on' "$scratch/sim.out" && break
  sleep 0.1
done
line=$(head -n 1 "$scratch/sim.out")
echo "Probe simulator: $line"
port=${line##*:}

./vimboManager --agent 127.0.0.1 --port "$port"
