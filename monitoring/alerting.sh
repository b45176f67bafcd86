#!/usr/bin/env bash
# The Alertmanager example's inhibitions with the real servers, their times
# scaled down 15 times: ten exporters, one job each as the README advises,
# each scraping one probe in alarm. Every exporter goes away and comes back
# at a moment of its own: each outage must be told once, by its exporter's
# alert, with no probe-down notification leaked before, during or after it
# and no slot alarm sent resolved. Then a probe itself goes silent: its down
# alert must be sent, so the inhibitions mute no more than they should.
# Usage: monitoring/alerting.sh BUILD_BIN_DIR   (exit 77 without the tools)
set -euo pipefail
bin=$(cd "$1" && pwd)
source "$(dirname "$0")/lib.sh"
outages=10

echo ".1.3.6.1.4.1.32473.2.2.2.1.0 40" >"$scratch/alarm.txt"  # every surveyed slot in alarm
for i in $(seq 0 $((outages - 1))); do
  start_probe "probe$i" 127.0.0.1 --static "$scratch/alarm.txt"
  start_exporter "exporter$i"
done
start_webhook hook
sed "s|url: http://127.0.0.1:5001/[a-z-]*|url: $hook|" "$(compress "$here/alertmanager/alertmanager.yml")" >"$scratch/am.yml"
start_alertmanager am "$scratch/am.yml"
compress_rules

# The shipped example with its probe job copied once per exporter.
pairs=""
for i in $(seq 0 $((outages - 1))); do p="probe$i" e="exporter$i"; pairs+=" ${!p}=${!e}"; done
python3 - "$(compress "$here/prometheus/prometheus.yml")" "$scratch" "$am" $pairs >"$scratch/prometheus.yml" <<'EOF'
import copy, sys, yaml
config = yaml.safe_load(open(sys.argv[1]))
scratch, alertmanager, pairs = sys.argv[2], sys.argv[3], [p.split("=") for p in sys.argv[4:]]
config["rule_files"] = [f.replace("/usr/share/vimbo/prometheus/", scratch + "/compressed-") for f in config["rule_files"]]
config["alerting"]["alertmanagers"][0]["static_configs"][0]["targets"] = [alertmanager]
jobs = {job["job_name"]: job for job in config["scrape_configs"]}
config["scrape_configs"] = []
for i, (probe, exporter) in enumerate(pairs):
    job = copy.deepcopy(jobs["vimbo-probes"])
    job["job_name"] = f"vimbo-probes-{i}"
    del job["file_sd_configs"]
    job["static_configs"] = [{"targets": [probe]}]
    job["params"]["exporter"] = [exporter]
    config["scrape_configs"].append(job)
exporters = copy.deepcopy(jobs["snmp-exporter"])
exporters["static_configs"] = [{"targets": [exporter for _, exporter in pairs]}]
config["scrape_configs"].append(exporters)
yaml.safe_dump(config, sys.stdout)
EOF
start_prometheus prom "$scratch/prometheus.yml" --query.lookback-delta=20s

count() { query "$prom" "$1" | wc -l; }
notified() { grep -c "$1" "$scratch/hook.jsonl" || true; }
all_alarms_sent() { [ "$(grep "^firing VimboSlotAlarm" "$scratch/hook.jsonl" | grep -o 'instance=[^,]*' | sort -u | wc -l)" = $outages ]; }
wait_for 40 all_alarms_sent || fail "not every probe's alarm was sent: $(cat "$scratch/hook.jsonl")"
say "$outages probes up, each behind its own exporter, their alarms sent"

# Through the outages, Alertmanager must never hold a probe-down alert that
# nothing mutes: one that did could be sent at any group flush.
python3 - "$am" "$scratch/unmuted.txt" <<'EOF' &
import json, sys, time, urllib.parse, urllib.request
url = f"http://{sys.argv[1]}/api/v2/alerts?" + urllib.parse.urlencode(
    {"active": "true", "silenced": "false", "inhibited": "false", "filter": 'alertname="VimboProbeDown"'})
with open(sys.argv[2], "a") as out:
    while True:
        with urllib.request.urlopen(url, timeout=5) as answer:
            for alert in json.load(answer):
                out.write(f"{time.time():.1f} {alert['labels']['instance']}\n"); out.flush()
        time.sleep(0.1)
EOF
watcher=$!; pids+=($watcher)
killers=()
for i in $(seq 0 $((outages - 1))); do
  (sleep "0.$((RANDOM % 10))$((RANDOM % 10))"; pid="exporter${i}_pid"; kill "${!pid}") &
  killers+=($!)
done
wait "${killers[@]}"
all_down() { [ "$(count 'ALERTS{alertname="VimboProbeDown",alertstate="firing"}')" = $outages ] &&
             [ "$(grep "^firing VimboExporterDown" "$scratch/hook.jsonl" | grep -o 'instance=[^,]*' | sort -u | wc -l)" = $outages ]; }
wait_for 30 all_down || fail "not every outage raised its exporter's alert and its probe's: $(cat "$scratch/hook.jsonl")"
sleep 4  # past the group wait of every probe's group
for i in $(seq 0 $((outages - 1))); do
  e="exporter$i"; start "exporter$i" "$tools/prometheus-snmp-exporter" --config.file="$here/snmp_exporter/snmp.yml" \
    --web.listen-address="${!e}"
  sleep "0.$((RANDOM % 10))"
done
recovered() { [ "$(count 'ALERTS{alertname=~"VimboProbeDown|VimboExporterDown"}')" = 0 ]; }
wait_for 40 recovered || fail "the outages did not end: $(query "$prom" ALERTS)"
sleep 4  # past the last group's flush
kill "$watcher"
[ ! -s "$scratch/unmuted.txt" ] || fail "probe-down alerts went unmuted: $(sort -u -k2 "$scratch/unmuted.txt")"
[ "$(notified '^firing VimboProbeDown')" = 0 ] || fail "probe-down notifications leaked: $(grep VimboProbeDown "$scratch/hook.jsonl")"
[ "$(notified '^resolved VimboSlot')" = 0 ] || fail "slot alarms were sent resolved: $(grep resolved "$scratch/hook.jsonl")"
say "$outages exporter outages, each told by its exporter's alert alone"

kill "$probe0_pid"
probe_down_sent() { grep -q "^firing VimboProbeDown .*instance=$probe0" "$scratch/hook.jsonl"; }
wait_for 30 probe_down_sent || fail "a silent probe's down alert was muted: $(cat "$scratch/hook.jsonl")"
say "a silent probe is still told"
