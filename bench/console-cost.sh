#!/usr/bin/env bash
# vimbo-console polling 100 simulated probes every 3 s: its CPU over a window
# and its resident memory, with the wall shown (offscreen, or under
# xvfb-run) or --headless. One vimboProbeSim serves all the probes, the last
# SILENT of them silent; the probe list, the store and the journal go to a
# scratch folder. --headless also gives the time between each probe's complete
# cycles, from its log stamped as it arrives, and ends it with SIGTERM.
# Usage: bench/console-cost.sh [BIN] [SECONDS] [--headless] [SILENT]
#   QT_QPA_PLATFORM=offscreen bench/console-cost.sh build/bin 60
#   bench/console-cost.sh build/bin 60 --headless 10
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../scripts/probe-sim.sh"
bin=$(cd "${1:-build/bin}" && pwd)
seconds=${2:-60}
mode=${3:-}
silent=${4:-0}
probes=100
scratch=$(mktemp -d)
isolate_net_snmp "$scratch"
export XDG_CONFIG_HOME="$scratch/config" XDG_STATE_HOME="$scratch/state" XDG_RUNTIME_DIR="$scratch/run"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
trap 'kill "${sim_pid:-}" "${console:-}" 2>/dev/null; rm -rf "$scratch"' EXIT

extra=()
[ "$silent" -gt 0 ] && extra=(--silent-probes "$((probes - silent + 1))-$probes")
"$bin/vimboProbeSim" --listen 127.0.0.1:0 --probes "$probes" "${extra[@]}" >"$scratch/sim.out" &
sim_pid=$!
for _ in $(seq 50); do
  [ "$(wc -l <"$scratch/sim.out")" -ge "$probes" ] && break
  sleep 0.1
done
[ "$(wc -l <"$scratch/sim.out")" -ge "$probes" ] || { echo "the simulator did not start" >&2; exit 1; }

list="$scratch/probes.conf"
n=0
while read -r line; do
  n=$((n + 1))
  printf '[probe bench-%03d]\nsite = Bench %d\nagent = 127.0.0.1\nport = %s\n\n' \
    "$n" "$(((n - 1) / 10 + 1))" "${line##*:}" >>"$list"
done <"$scratch/sim.out"
chmod 600 "$list"

args=(--probes "$list")
[ "$mode" = "--headless" ] && args+=(--headless --log-cycles)
# Each line of the log stamped as it arrives: the time between a probe's complete cycles.
"$bin/vimbo-console" "${args[@]}" 2> >(python3 -u -c '
import sys, time
for line in sys.stdin:
    sys.stdout.write(f"{time.monotonic():.3f} {line}")
    sys.stdout.flush()' >"$scratch/console.log") &
console=$!
sleep 6  # started, every probe through its first cycle
kill -0 "$console" || { echo "vimbo-console ended:" >&2; cat "$scratch/console.log" >&2; exit 1; }

ticks=$(getconf CLK_TCK)
cpu() { awk '{print $14 + $15}' "/proc/$console/stat"; }
before=$(cpu)
sleep "$seconds"
after=$(cpu)
echo "vimbo-console ${mode:-(wall shown)}, $probes probes ($silent silent), every 3 s"
echo "CPU over ${seconds} s: $(echo "scale=2; 100 * ($after - $before) / $ticks / $seconds" | bc) % of one core"
awk '/^VmRSS/ {printf "resident memory: %.1f MB\n", $2 / 1024} /^VmHWM/ {printf "peak: %.1f MB\n", $2 / 1024}' \
  "/proc/$console/status"
[ "$mode" = "--headless" ] || exit 0
kill -TERM "$console"
wait "$console" || { echo "vimbo-console did not end cleanly" >&2; exit 1; }
sleep 0.5
# From the first complete cycle after the start to the stop, per probe.
python3 - "$scratch/console.log" <<'PY'
import collections, statistics, sys
ends = collections.defaultdict(list)
for line in open(sys.argv[1]):
    stamp, _, text = line.partition(" ")
    if text.endswith(": a complete cycle\n"):
        ends[text.split()[1].rstrip(":")].append(float(stamp))
gaps = sorted(b - a for times in ends.values() for a, b in zip(times[2:], times[3:]))
if not gaps:
    sys.exit("no complete cycles in the log")
print(f"complete cycles: {len(ends)} probes; time between a probe's complete cycles over {len(gaps)} cycles:")
print(f"  median {statistics.median(gaps):.3f} s, 95th percentile {gaps[int(0.95 * (len(gaps) - 1))]:.3f} s, "
      f"longest {gaps[-1]:.3f} s, over 3.5 s: {sum(g > 3.5 for g in gaps)}")
PY
