#!/usr/bin/env bash
# The whole single-server path on loopback: simulated probes, Debian's SNMP
# exporter with the project's module, Prometheus with the shipped scrape
# example, rules and alerts, and Alertmanager with the shipped example sending
# to a webhook here, all with their times scaled down 15 times.
# - The flag text decodes as the manager decodes it, whatever its bytes, and a
#   Latin-1 name reaches Prometheus as hexadecimal with the probe up.
# - The measures equal what vimbo-snmp reads, in the window's units.
# - A probe whose name and slot 1 frequency answer an error status still
#   alerts on its slot alarm, and its measures are there; it and a probe with
#   a text for a measure are reported incomplete.
# - A probe that goes silent goes down, naming itself; its slot alarms stay
#   firing and are never sent resolved; the other probes' series go on.
# Usage: monitoring/end-to-end.sh BUILD_BIN_DIR   (exit 77 without the tools)
set -euo pipefail
bin=$(cd "$1" && pwd)
source "$(dirname "$0")/lib.sh"
root=.1.3.6.1.4.1.32473.2.2

# The flag text, byte by byte, against the bits the manager reads from it:
# hexadecimal digits in either case up to the first other byte; bits 0-5 are
# the warnings of slots 0-5, bits 8-13 their alarms.
flag_rows=(
  ":"
  "30303030:"
  "33463346:W0 W1 W2 W3 W4 W5 A0 A1 A2 A3 A4 A5"
  "66663030:A0 A1 A2 A3 A4 A5"
  "30313033:W0 W1 A0"
  "315A3031:W0"
  "FF3031:"
  "3230FF:W5"
  "32303030:A5"
  "3030303031:W0"
)
start_exporter exporter
for i in "${!flag_rows[@]}"; do
  start_probe "flags$i" 127.0.0.1 --wrong-type "$root.1.4.0=octets:${flag_rows[i]%%:*}"
done
for i in "${!flag_rows[@]}"; do
  target="flags$i"
  got=$(curl -s --max-time 5 "http://$exporter/snmp?module=vimbo_probe&target=${!target}" |
        sed -n 's/^vimboAlarmFlagsSlot\([0-5]\)\(Alarm\|Warning\) 1$/\2\1/p' | sed 's/Alarm/A/; s/Warning/W/' | sort | xargs)
  want=$(tr ' ' '\n' <<<"${flag_rows[i]#*:}" | sort | xargs)
  [ "$got" = "$want" ] || fail "flag bytes ${flag_rows[i]%%:*}: the exporter gives '$got', the manager reads '$want'"
done
say "the flag text decodes as the manager decodes it, in ${#flag_rows[@]} cases"

# Prometheus's own lint of a scrape: the raw series are named after the MIB's
# objects, whose descriptors SMIv2 writes in camelCase; nothing else is found.
curl -s --max-time 5 "http://$exporter/snmp?module=vimbo_probe&target=$flags0" >"$scratch/scrape.txt"
lint=$("$tools/promtool" check metrics <"$scratch/scrape.txt" 2>&1 |
       grep -v -E "^vimbo[A-Za-z0-9]+ (metric|label) names should be written in 'snake_case' not 'camelCase'$" || true)
[ -z "$lint" ] || fail "promtool check metrics: $lint"
[ "$(grep -c '^vimbo' "$scratch/scrape.txt")" = 61 ] || fail "the scrape has not the module's 61 series (49 objects and 12 flag bits)"

# Probes: one as the simulator starts; HARBOUR with every surveyed slot in
# alarm (a 40 dB MER alarm threshold); one whose name and slot 1 frequency
# answer noSuchName, in alarm too; a Latin-1 name with a 0xFF in its flags;
# and a text where slot 1's power belongs.
printf '%s\n' "$root.1.1.0 HARBOUR" "$root.2.1.0 40" "$root.3.3.0 6123" "$root.4.4.0 1999" "$root.5.5.0 345" \
  >"$scratch/harbour.txt"
echo "$root.2.1.0 40" >"$scratch/alarm.txt"
start_probe kept 127.0.0.1 --static /dev/null
start_probe lost 127.0.0.2 --static "$scratch/harbour.txt"
start_probe nameless 127.0.0.3 --static "$scratch/alarm.txt" --error-oid "$root.1.1.0=2" --error-oid "$root.3.2.0=2"
start_probe latin 127.0.0.4 --static /dev/null --wrong-type "$root.1.1.0=octets:50656EF1617320416C746173" \
  --wrong-type "$root.1.4.0=octets:30313033FF"
start_probe wrong 127.0.0.5 --static /dev/null --wrong-type "$root.3.3.0=string:abc"

start_webhook hook
sed "s|url: http://127.0.0.1:5001/[a-z-]*|url: $hook|" "$(compress "$here/alertmanager/alertmanager.yml")" >"$scratch/am.yml"
start_alertmanager am "$scratch/am.yml"
echo "- targets: ['$kept', '$lost', '$nameless', '$latin', '$wrong']" >"$scratch/probes.yml"
compress_rules
sed -e "s|/usr/share/vimbo/prometheus/|$scratch/compressed-|" -e "s|/etc/prometheus/vimbo-probes/\*.yml|$scratch/probes.yml|" \
    -e "s|127.0.0.1:9116|$exporter|" -e "s|127.0.0.1:9093|$am|" "$(compress "$here/prometheus/prometheus.yml")" \
    >"$scratch/prometheus.yml"
grep -q "$scratch/probes.yml" "$scratch/prometheus.yml" || fail "the example names no probe file"
start_prometheus prom "$scratch/prometheus.yml" --query.lookback-delta=20s
wait_for 20 ready "$am" || fail "Alertmanager did not start"

# The measures group runs less often than the scrapes: wait until it has
# evaluated after every probe's first scrape, not just after one of them.
scraped() { [ "$(query "$prom" 'count_over_time(up{job="vimbo-probes"}[1m]) >= 2' | wc -l)" = 5 ] &&
            [ "$(query "$prom" 'count by (instance) (instance_slot:vimbo_power_dbuv:surveyed)' | wc -l)" = 5 ]; }
wait_for 30 scraped || fail "no two scrapes of every probe"
[ "$(query "$prom" 'up{job="vimbo-probes"} == 1' | wc -l)" = 5 ] || fail "a probe is not up: $(query "$prom" up)"
say "two scrapes of every probe, all up"

# The tool's reading of OID from HOST:PORT, scaled by DIVISOR as the window shows it.
read_scaled() {
  "$bin/vimbo-snmp" --agent "${1%:*}" --port "${1##*:}" get "$2" | awk -v d="$3" '{printf "%.10g\n", $2 / d}'
}
same() { awk -v a="$1" -v b="$2" 'BEGIN { d = a - b; if (d < 0) d = -d; m = b < 0 ? -b : b; exit !(a != "nan" && d <= 1e-12 * (m > 1 ? m : 1)) }'; }
recorded=$(query "$prom" '{__name__=~"instance_slot:vimbo_(power_dbuv|mer_db|vber_ratio):surveyed"}')
recorded_value() {  # NAME TARGET SLOT
  awk -v m="__name__=$1," -v i="instance=$2," -v s="slot=$3" 'index($1, m) == 1 && index($1, i) && index($1 ",", s ",") {print $2}' <<<"$recorded"
}
for target in "$kept" "$lost"; do
  for slot in 0 1 2 3 4 5; do
    object="$root.$((slot + 3))"
    if [ "$(read_scaled "$target" "$object.1.0" 1)" != 1 ]; then  # not surveyed: no measures
      [ -z "$(recorded_value instance_slot:vimbo_power_dbuv:surveyed "$target" $((slot + 1)))" ] || fail "$target slot $((slot + 1)) is not surveyed but has a power"
      continue
    fi
    for measure in "power_dbuv 3 100" "mer_db 4 100" "vber_ratio 5 10000000"; do
      set -- $measure
      got=$(recorded_value "instance_slot:vimbo_$1:surveyed" "$target" $((slot + 1)))
      want=$(read_scaled "$target" "$object.$2.0" "$3")
      same "${got:-nan}" "$want" || fail "$target slot $((slot + 1)) $1: Prometheus ${got:-nothing}, vimbo-snmp $want"
    done
  done
done
say "measures match vimbo-snmp"

[ -n "$(recorded_value instance_slot:vimbo_power_dbuv:surveyed "$nameless" 1)" ] || fail "no power for the slot whose frequency failed"
[ -z "$(recorded_value instance_slot:vimbo_power_dbuv:surveyed "$wrong" 1)" ] || fail "a text became a power"
[ -n "$(query "$prom" "vimboName{instance=\"$latin\",vimboName=\"0x50656EF1617320416C746173\"}")" ] || fail "no hexadecimal Latin-1 name"
[ "$(value "$prom" "instance_slot:vimbo_alarm:bool{instance=\"$latin\",slot=\"1\"}")" = 1 ] || fail "the Latin-1 probe's alarm is lost"
alerting() {  # NAME INSTANCE [MATCHERS]: the alert fires
  [ -n "$(query "$prom" "ALERTS{alertname=\"$1\",alertstate=\"firing\",instance=\"$2\"${3:+,$3}}")" ]
}
nameless_alerts() { alerting VimboSlotAlarm "$nameless" 'slot="1"' && alerting VimboScrapeIncomplete "$nameless"; }
wait_for 20 nameless_alerts || fail "no slot alarm or completeness alert for the probe without name and frequency"
[ "$(value "$prom" "instance:vimbo_scrape_series:missing{instance=\"$nameless\"}")" = 2 ] || fail "the nameless probe does not lack 2 series"
[ "$(value "$prom" "instance:vimbo_scrape_series:missing{instance=\"$wrong\"}")" = 1 ] || fail "the text for a measure is not counted"
wait_for 10 alerting VimboSlotAlarm "$lost" 'slot="4"' || fail "HARBOUR's alarm does not fire"
say "no alert lost to a missing name, frequency or odd byte; short scrapes reported"

kept_series="timestamp(vimboSlot0Power{instance=\"$kept\"})"
kept_before=$(value "$prom" "$kept_series")
kill "$lost_pid"  # HARBOUR goes silent
wait_for 20 alerting VimboProbeDown "$lost" || fail "no VimboProbeDown for $lost"
down_notified() { grep -q "^firing VimboProbeDown .*instance=$lost" "$scratch/hook.jsonl"; }
wait_for 20 down_notified || fail "VimboProbeDown was not sent: $(cat "$scratch/hook.jsonl")"
# Its text names the probe by the name it reported, in hexadecimal.
curl -s --max-time 5 "http://$am/api/v2/alerts?filter=alertname=%22VimboProbeDown%22" |
  grep -q "$lost (name 0x484152424F5552): the probe does not answer" || fail "VimboProbeDown does not name HARBOUR"
sleep 25  # past the compressed look-back and a group interval
for slot in 1 2 3 4; do
  alerting VimboSlotAlarm "$lost" "slot=\"$slot\"" || fail "the silent probe's slot $slot alarm was resolved by its silence"
done
! grep "^resolved VimboSlot" "$scratch/hook.jsonl" || fail "a slot alarm was sent resolved"
[ "$(value "$prom" "up{instance=\"$kept\"}")" = 1 ] || fail "the other probe went down too"
awk -v now="$(value "$prom" "$kept_series")" -v before="$kept_before" 'BEGIN { exit !(now > before + 1) }' ||
  fail "the other probe's series stopped"
! alerting VimboProbeDown "$kept" || fail "the answering probe alerts"
say "the silent probe is down, its alarms stay firing and none is sent resolved"
[ $((SECONDS - started)) -lt 100 ] || fail "took 100 s or more"
