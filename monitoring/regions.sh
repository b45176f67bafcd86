#!/usr/bin/env bash
# Regions on Prometheus's own distributed path, with the real servers and
# their times scaled down 15 times: two regions, each with two simulated
# probes (one in alarm), its own SNMP exporter and a Prometheus agent
# remote-writing to one central Prometheus, which runs the rules and alerts
# and sends to Alertmanager. The central server must hold both regions'
# probes under their region; when one region's agent stops, one alert must
# name the region, no probe of it may be told down, and none of its slot
# alarms may be resolved, even past the look-back.
# Usage: monitoring/regions.sh BUILD_BIN_DIR   (exit 77 without the tools)
set -euo pipefail
bin=$(cd "$1" && pwd)
source "$(dirname "$0")/lib.sh"

start_webhook hook
sed "s|url: http://127.0.0.1:5001/[a-z-]*|url: $hook|" "$(compress "$here/alertmanager/alertmanager.yml")" >"$scratch/am.yml"
start_alertmanager am "$scratch/am.yml"
compress_rules
sed -e "s|/usr/share/vimbo/prometheus/|$scratch/compressed-|" -e "s|127.0.0.1:9093|$am|" \
  "$(compress "$here/regions/central.yml")" >"$scratch/central.yml"
start_prometheus central "$scratch/central.yml" --web.enable-remote-write-receiver --query.lookback-delta=20s

echo ".1.3.6.1.4.1.32473.2.2.2.1.0 40" >"$scratch/alarm.txt"  # every surveyed slot in alarm
agent_config=$(compress "$here/regions/agent.yml")
for region in north south; do
  start_probe "${region}_alarm" 127.0.0.1 --static "$scratch/alarm.txt"
  start_probe "${region}_calm" 127.0.0.1 --static /dev/null
  start_exporter "${region}_exporter"
  a="${region}_alarm" c="${region}_calm" e="${region}_exporter"
  echo "- targets: ['${!a}', '${!c}']" >"$scratch/$region-probes.yml"
  sed -e "s|region: north|region: $region|" -e "s|central.example.net:9090|$central|" \
      -e "s|/etc/prometheus/vimbo-probes/\*.yml|$scratch/$region-probes.yml|" -e "s|127.0.0.1:9116|${!e}|" \
      "$agent_config" >"$scratch/$region-agent.yml"
  grep -q "region: $region" "$scratch/$region-agent.yml" || fail "the agent example names no region"
  start_prometheus "${region}_agent" "$scratch/$region-agent.yml" --enable-feature=agent
done

both_regions() { [ "$(query "$central" 'count by (region) (instance:vimbo_probe:up{job="vimbo-probes"} == 1) == 2' | wc -l)" = 2 ]; }
wait_for 40 both_regions || fail "the central Prometheus does not hold both regions' probes: $(query "$central" up)"
alarms_sent() { for r in north south; do grep -q "^firing VimboSlotAlarm .*region=$r" "$scratch/hook.jsonl" || return 1; done; }
wait_for 30 alarms_sent || fail "the regions' slot alarms were not sent: $(cat "$scratch/hook.jsonl")"
say "the central Prometheus holds both regions' probes, labelled by region, and alerts on them"

kill "$north_agent_pid"
region_told() { grep -q "^firing VimboRegionDown .*region=north" "$scratch/hook.jsonl"; }
wait_for 30 region_told || fail "no VimboRegionDown for north: $(cat "$scratch/hook.jsonl")"
sleep 30  # past the compressed look-back, when north's last samples are gone
[ "$(grep -c '^firing VimboRegionDown' "$scratch/hook.jsonl")" = 1 ] || fail "not one region alert: $(grep RegionDown "$scratch/hook.jsonl")"
! grep "VimboProbeDown\|VimboExporterDown" "$scratch/hook.jsonl" || fail "the silent region's probes or exporter were told down"
! grep "^resolved VimboSlot" "$scratch/hook.jsonl" || fail "a slot alarm was resolved by the region's silence"
[ -z "$(query "$central" 'up{region="north"}')" ] || fail "north's samples are still within the look-back"
for region in north south; do
  [ -n "$(query "$central" "ALERTS{alertname=\"VimboSlotAlarm\",alertstate=\"firing\",region=\"$region\"}")" ] ||
    fail "$region's slot alarms stopped firing"
done
[ -n "$(query "$central" 'up{region="south"}')" ] || fail "south's samples stopped"
say "one alert names the silent region; its probes are not told down, its slot alarms stay firing"
