#!/bin/bash
# The console's wall under a virtual screen of 1280x800, over simulated
# probes on loopback: docs/console-wall-12.png (12 probes, one silent, one in
# alarm, one warned) and docs/console-wall-100.png (100 probes, 10 silent).
# Usage: scripts/wall-screenshots.sh BUILD_DIR [OUT_DIR]
set -euo pipefail
bin=$(cd "${1:?build directory}" && pwd)/bin
out=$(cd "${2:-$(dirname "$0")/../docs}" && pwd)
. "$(dirname "$0")/probe-sim.sh"
scratch=$(mktemp -d)
trap 'kill "${sim_pid:-}" 2>/dev/null || true; rm -rf "$scratch"' EXIT
isolate_net_snmp "$scratch"

shoot() {  # shoot COUNT FILE SIM-OPTIONS...
  local count=$1 file=$2
  shift 2
  # Consecutive free ports are not known in advance: try a few bases.
  for base in $(shuf -i 20000-60000 -n 5); do
    if start_sim "$bin/vimboProbeSim" "$scratch/sim.out" "127.0.0.1:$base" --probes "$count" "$@"; then break; fi
  done
  [ -n "$sim_port" ] || { echo "the simulator did not start" >&2; exit 1; }
  # The console's own list of them, spread over three sites.
  local sites=("Kestrel Hill" "Ashby Down" "Marram Point") list="$scratch/probes.conf" i
  : > "$list"
  for ((i = 0; i < count; i++)); do
    printf '[probe probe-%03d]\nsite = %s\nagent = 127.0.0.1\nport = %d\n\n' \
      $((i + 1)) "${sites[i % 3]}" $((base + i)) >> "$list"
  done
  chmod 600 "$list"
  xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
    cd "$1" && ./vimbo-console --probes "$2" --no-history --plan CCIR.can &
    sleep 14
    import -window root "$3"
    kill %1' _ "$bin" "$list" "$file"
  kill "$sim_pid"; wait "$sim_pid" 2>/dev/null || true
  echo "$file"
}

shoot 12 "$out/console-wall-12.png" --silent-probes 12 --probe-flags 2=0100 --probe-flags 5=0004
shoot 100 "$out/console-wall-100.png" --silent-probes 10,20,30,40,50,60,70,80,90,100 \
  --probe-flags 2=0100 --probe-flags 5=0004 --probe-flags 33=2101
