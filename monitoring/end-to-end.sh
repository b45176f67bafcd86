#!/usr/bin/env bash
# The whole monitoring path on loopback: two simulated probes, Debian's SNMP
# exporter with the project's module, and Prometheus with the shipped scrape
# example, rules and alerts, each a plain process on a free port with a
# temporary folder, all stopped at the end. The measures Prometheus records
# must equal what vimbo-snmp reads, in the units the main window shows; a probe
# that goes silent must go down and its alert pend, naming it, while the other
# probe's series go on.
# Usage: monitoring/end-to-end.sh BUILD_BIN_DIR   (exit 77 without the tools)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bin=$(cd "$1" && pwd)
tools="$here/../.cache/monitoring/root/usr/bin"
[ -x "$tools/prometheus" ] || { echo "run scripts/fetch-monitoring.sh first"; exit 77; }
started=$SECONDS
scratch=$(mktemp -d)
pids=()
stop() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$scratch"
}
trap stop EXIT
export SNMPCONFPATH="$scratch" SNMP_PERSISTENT_DIR="$scratch" MIBS=
fail() { echo "FAILED: $*"; echo "--- logs"; tail -n 20 "$scratch"/*.log; exit 1; }

# A free TCP port on 127.0.0.1, never a service's default.
free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }

start_probe() {  # NAME LISTEN STATIC: starts a simulator, sets NAME_port and NAME_pid
  "$bin/vimboProbeSim" --listen "$2" --static "$3" >"$scratch/$1.out" 2>"$scratch/$1.log" &
  eval "$1_pid=$!"; pids+=($!)
  for _ in $(seq 50); do grep -q '^listening on' "$scratch/$1.out" && break; sleep 0.1; done
  local line; line=$(head -n 1 "$scratch/$1.out")
  eval "$1_port=${line##*:}"
}
printf '%s\n' ".1.3.6.1.4.1.32473.2.2.1.1.0 HARBOUR" ".1.3.6.1.4.1.32473.2.2.3.3.0 6123" \
  ".1.3.6.1.4.1.32473.2.2.4.4.0 1999" ".1.3.6.1.4.1.32473.2.2.5.5.0 345" >"$scratch/second.txt"
start_probe kept 127.0.0.1:0 /dev/null
start_probe lost 127.0.0.2:0 "$scratch/second.txt"
kept="127.0.0.1:$kept_port" lost="127.0.0.2:$lost_port"

exporter_port=$(free_port)
"$tools/prometheus-snmp-exporter" --config.file="$here/snmp_exporter/snmp.yml" \
  --web.listen-address="127.0.0.1:$exporter_port" >"$scratch/exporter.log" 2>&1 &
pids+=($!)

# The shipped example with this run's ports and folders, scraping every second.
echo "- targets: ['$kept', '$lost']" >"$scratch/probes.yml"
sed -e "s|/usr/share/vimbo/prometheus/|$here/prometheus/|" -e "s|/etc/prometheus/vimbo-probes/\*.yml|$scratch/probes.yml|" \
    -e "s|127.0.0.1:9116|127.0.0.1:$exporter_port|" -e 's|_interval: 15s|_interval: 1s|' -e 's|scrape_timeout: 10s|scrape_timeout: 1s|' \
    "$here/prometheus/prometheus.yml" >"$scratch/prometheus.yml"
grep -q "$scratch/probes.yml" "$scratch/prometheus.yml" || fail "the example names no probe file"
prometheus_port=$(free_port)
"$tools/prometheus" --config.file="$scratch/prometheus.yml" --storage.tsdb.path="$scratch/data" \
  --web.listen-address="127.0.0.1:$prometheus_port" >"$scratch/prometheus.log" 2>&1 &
pids+=($!)

# query PROMQL: one "labels value" line per sample, labels sorted.
query() {
  curl -s --max-time 5 -G "http://127.0.0.1:$prometheus_port/api/v1/query" --data-urlencode "query=$1" | python3 -c '
import json, sys
try: result = json.load(sys.stdin)["data"]["result"]
except Exception: result = []
for s in result:
    print(",".join(f"{k}={v}" for k, v in sorted(s["metric"].items())), s["value"][1])'
}
value() { query "$1" | awk '{print $NF}'; }
wait_for() {  # SECONDS COMMAND...: until the command succeeds
  local until=$((SECONDS + $1)); shift
  until "$@"; do [ $SECONDS -lt $until ] || return 1; sleep 0.5; done
}
two_scrapes() { [ "$(query 'count_over_time(up{job="vimbo-probes"}[1m]) >= 2' | wc -l)" = 2 ] && [ -n "$(query 'vimbo:slot_vber:ratio')" ]; }
wait_for 30 two_scrapes || fail "no two scrapes of both probes"
echo "two scrapes of both probes ($((SECONDS - started)) s)"

# The tool's reading of OID from HOST:PORT, scaled by DIVISOR as the window shows it.
read_scaled() {
  "$bin/vimbo-snmp" --agent "${1%:*}" --port "${1##*:}" get "$2" | awk -v d="$3" '{printf "%.10g\n", $2 / d}'
}
same() { awk -v a="$1" -v b="$2" 'BEGIN { d = a - b; if (d < 0) d = -d; m = b < 0 ? -b : b; exit !(a != "nan" && d <= 1e-12 * (m > 1 ? m : 1)) }'; }
# Every recorded measure at once: "labels value" lines, the labels sorted by name.
recorded=$(query '{__name__=~"vimbo:slot_(power|mer|vber):.*"}')
recorded_value() {  # NAME TARGET SLOT
  awk -v m="__name__=$1," -v i="instance=$2," -v s="slot=$3" 'index($1, m) == 1 && index($1, i) && $1 ~ (s "$") {print $2}' <<<"$recorded"
}
for target in "$kept" "$lost"; do
  for slot in 0 1 2 3 4 5; do
    object=".1.3.6.1.4.1.32473.2.2.$((slot + 3))"
    if [ "$(read_scaled "$target" "$object.1.0" 1)" != 1 ]; then  # not surveyed: no measures
      [ -z "$(recorded_value vimbo:slot_power:dbuv "$target" "$slot")" ] || fail "$target slot $slot is not surveyed but has a power"
      continue
    fi
    for measure in "power:dbuv 3 100" "mer:db 4 100" "vber:ratio 5 10000000"; do
      set -- $measure
      got=$(recorded_value "vimbo:slot_$1" "$target" "$slot")
      want=$(read_scaled "$target" "$object.$2.0" "$3")
      same "${got:-nan}" "$want" || fail "$target slot $slot $1: Prometheus ${got:-nothing}, vimbo-snmp $want"
    done
  done
done
echo "measures of both probes match vimbo-snmp ($((SECONDS - started)) s)"

kept_series="timestamp(vimboSlot0Power{instance=\"$kept\"})"
kept_before=$(value "$kept_series")
kill "$lost_pid"  # the second probe goes silent
lost_down() { [ "$(value "up{instance=\"$lost\"}")" = 0 ]; }
wait_for 15 lost_down || fail "the silent probe's up stays 1"
alert_pends() { [ -n "$(query "ALERTS{alertname=\"VimboProbeDown\",instance=\"$lost\",vimboName=\"HARBOUR\"}")" ]; }
wait_for 15 alert_pends || fail "no VimboProbeDown alert naming HARBOUR at $lost"
[ "$(value "up{instance=\"$kept\"}")" = 1 ] || fail "the other probe went down too"
kept_goes_on() { awk -v now="$(value "$kept_series")" -v before="$kept_before" 'BEGIN { exit !(now > before + 1) }'; }
wait_for 10 kept_goes_on || fail "the other probe's series stopped"
[ -z "$(query "ALERTS{alertname=\"VimboProbeDown\",instance=\"$kept\"}")" ] || fail "the answering probe alerts"
echo "the silent probe is down and alerting, the other goes on ($((SECONDS - started)) s)"
[ $((SECONDS - started)) -lt 60 ] || fail "took a minute or more"
