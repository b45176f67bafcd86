#!/usr/bin/env bash
# The main job: the simulated probe on loopback, and a live read of its name.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
scratch=$(mktemp -d)
export SNMPCONFPATH="$scratch" SNMP_PERSISTENT_DIR="$scratch" MIBS=

build/bin/vimboProbeSim --listen 127.0.0.1:0 >"$scratch/sim.out" &
sim=$!
trap 'kill "$sim" 2>/dev/null; wait "$sim" 2>/dev/null; rm -rf "$scratch"' EXIT
for _ in $(seq 50); do
  grep -q '^listening on' "$scratch/sim.out" && break
  sleep 0.1
done
line=$(head -n 1 "$scratch/sim.out")
echo "Probe simulator: $line"
port=${line##*:}

for oid in 1.1 1.2 1.3; do
  build/bin/vimbo-snmp --agent 127.0.0.1 --port "$port" get ".1.3.6.1.4.1.32473.2.2.$oid.0"
done
