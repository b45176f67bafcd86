#!/usr/bin/env bash
# The pages a trial of the shipped files lost or got wrong, each played with
# the real exporter, Prometheus and Alertmanager, their times scaled down 15
# times (15 s becomes 1 s: the figures below are the real ones).
# - An outage of a probe whose alarm was already paged: its VimboProbeDown is
#   sent before its resolve, within about a minute of firing.
# - An alarm 20 s on and 20 s off for 4 minutes: paged once as intermittent,
#   never as a steady alarm.
# - An alarm read once just before its probe falls silent: not paged; the
#   probe's silence is.
# - A clear: its resolve is sent within 2 minutes.
# - A probe using 75 % of its scrape time-out is warned; one too slow for it
#   is paged as answering too slowly, not as silent.
# Usage: monitoring/paging.sh BUILD_BIN_DIR   (exit 77 without the tools)
set -euo pipefail
bin=$(cd "$1" && pwd)
source "$(dirname "$0")/lib.sh"
root=.1.3.6.1.4.1.32473.2.2

echo "$root.2.1.0 40" >"$scratch/alarm.txt"  # a 40 dB MER alarm threshold: every surveyed slot in alarm
start_exporter exporter
start_probe outage 127.0.0.1 --static "$scratch/alarm.txt"
start_probe flicker 127.0.0.1 --static /dev/null
start_probe once 127.0.0.1 --static /dev/null
# 50 requests a scrape: 10 ms each is three quarters of the scaled 667 ms time-out, 20 ms is past it.
start_probe slow 127.0.0.1 --static /dev/null --delay-ms 10
start_probe slower 127.0.0.1 --static /dev/null --delay-ms 20
start_webhook hook
sed "s|url: http://127.0.0.1:5001/[a-z-]*|url: $hook|" "$(compress "$here/alertmanager/alertmanager.yml")" >"$scratch/am.yml"
start_alertmanager am "$scratch/am.yml"
echo "- targets: ['$outage', '$flicker', '$once', '$slow', '$slower']" >"$scratch/probes.yml"
compress_rules
sed -e "s|/usr/share/vimbo/prometheus/|$scratch/compressed-|" -e "s|/etc/prometheus/vimbo-probes/\*.yml|$scratch/probes.yml|" \
    -e "s|127.0.0.1:9116|$exporter|" -e "s|127.0.0.1:9093|$am|" "$(compress "$here/prometheus/prometheus.yml")" \
    >"$scratch/prometheus.yml"
start_prometheus prom "$scratch/prometheus.yml" --query.lookback-delta=20s
wait_for 20 ready "$am" || fail "Alertmanager did not start"

# threshold TARGET DB: the probe's MER alarm threshold, as an operator writes it.
threshold() { "$bin/vimbo-snmp" --agent "${1%:*}" --port "${1##*:}" --community-w kiminar set "$root.2.1" "int16:$2" >/dev/null; }
# sent STATUS ALERT TARGET [SLOT]: how many such notifications the webhook got.
sent() { grep -c "^$1 $2 .*instance=$3,${4:+.*slot=$4}" "$scratch/hook.jsonl" || true; }
# more_than N STATUS ALERT TARGET [SLOT]: more than N such notifications came.
more_than() { local n=$1; shift; [ "$(sent "$@")" -gt "$n" ]; }
# real FROM: the real seconds since FROM (an $EPOCHREALTIME) that the scaled run stands for.
real() { awk -v from="$1" -v now="$EPOCHREALTIME" 'BEGIN { printf "%d", (now - from) * 15 }'; }
# when STATUS ALERT TARGET [SLOT]: waits for its first notification.
when() { wait_for 30 more_than 0 "$@" || fail "no '$1 $2' for $3: $(cat "$scratch/hook.jsonl")"; }
firing() { [ -n "$(query "$prom" "ALERTS{alertname=\"$1\",alertstate=\"firing\",instance=\"$2\"}")" ]; }

when firing VimboSlotAlarm "$outage"
say "the first probe's alarm is paged"

# The one-scrape alarm: the probe falls silent as soon as a scrape has read
# it. The scrape's own series is watched, closely: the recorded alarm comes
# an evaluation later, and a probe left answering for two more scrapes (a
# busy machine) would have earned its page.
threshold "$once" 40
scraped_once() {
  curl -s --max-time 2 -G "http://$prom/api/v1/query" \
    --data-urlencode "query=vimboAlarmFlagsSlot0Alarm{instance=\"$once\"} == 1" | grep -q '"result":\[{'
}
read_by=$((SECONDS + 20))
until scraped_once; do [ $SECONDS -lt $read_by ] || fail "the alarm was never read"; sleep 0.05; done
kill "$once_pid"
# The outage: three minutes, of a probe whose group has been notified.
outage_port=${outage##*:}
kill "$outage_pid"
outage_began=$EPOCHREALTIME
# The intermittent alarm: 20 s on, 20 s off, for 4 minutes (scaled). Each
# change is due at its own time from the start, not after the last one:
# scaled, the 10 s by which 20 s stays short of the alerts' 30 s `for:` are
# 0.67 s, which a few slow writes on a busy machine would otherwise use up.
flicker_from=$EPOCHREALTIME
# at N: sleeps until N scaled 20 s have passed since flicker_from.
at() { sleep "$(awk -v t="$flicker_from" -v n="$1" -v now="$EPOCHREALTIME" 'BEGIN { w = t + n * 1.3333 - now; print (w > 0) ? w : 0 }')"; }
for i in 0 2 4 6 8 10; do at "$i"; threshold "$flicker" 40; at "$((i + 1))"; threshold "$flicker" 20; done &
flicker_loop=$!
when firing VimboProbeDown "$outage"
down_after=$(real "$outage_began")
sleep "$(awk -v s="$down_after" 'BEGIN { print s < 180 ? (180 - s) / 15 : 0 }')"
start_sim "$bin/vimboProbeSim" "$scratch/outage2.out" "127.0.0.1:$outage_port" --static "$scratch/alarm.txt" 2>>"$scratch/outage.log" ||
  fail "the probe did not come back on its port"
pids+=("$sim_pid")
wait "$flicker_loop"
say "the outage, the one-scrape alarm and the intermittent alarm played"

# It fires after 1 minute (and up to two scaled intervals, 30 s, to see the
# silence), and is sent within about a minute of that: the group's 30 s wait
# and the webhook's polling (7.5 s). Held back by a group the probe already
# had, it came after 270 s.
(( down_after <= 150 )) || fail "the outage was paged $down_after s after it began"
when resolved VimboProbeDown "$outage"
first_down=$(grep "VimboProbeDown .*instance=$outage," "$scratch/hook.jsonl" | head -1)
[[ $first_down == *firing* ]] || fail "the outage was resolved before it was paged: $(grep VimboProbeDown "$scratch/hook.jsonl")"
say "the outage in an already notified group is paged $down_after s after it began, then resolved"

when firing VimboProbeDown "$once"
for slot in 1 2 3 4; do when firing VimboSlotIntermittent "$flicker" "$slot"; done
sleep 4  # a scaled minute: nothing more may come of either
# One or two evaluations read it (the second if the kill came after the next
# scrape): the scenario played, and the alert's `for:` needs three.
reads=$(value "$prom" "count_over_time(instance_slot:vimbo_alarm:read{instance=\"$once\",slot=\"1\"}[2m])")
[[ $reads == 1 || $reads == 2 ]] || fail "the one-scrape alarm was read by ${reads:-no} evaluations, not one or two"
[ "$(sent firing VimboSlotAlarm "$once")" = 0 ] || fail "the alarm read once before the silence was paged"
! firing VimboSlotAlarm "$once" || fail "the alarm read once before the silence fires"
[ "$(sent firing VimboSlotAlarm "$flicker")" = 0 ] || fail "the intermittent alarm was paged as a steady one"
for slot in 1 2 3 4; do
  [ "$(sent firing VimboSlotIntermittent "$flicker" "$slot")" = 1 ] || fail "slot $slot's intermittent alarm was not paged once: $(grep Intermittent "$scratch/hook.jsonl")"
done
say "the silent probe is paged and its one-scrape alarm is not; the intermittent alarm is paged once a slot"

# The resolve: the probe back from its outage clears its alarm.
wait_for 20 firing VimboSlotAlarm "$outage" || fail "the returned probe's alarm is not firing"
resolved_before=$(sent resolved VimboSlotAlarm "$outage")
threshold "$outage" 20
cleared=$EPOCHREALTIME
wait_for 20 more_than "$resolved_before" resolved VimboSlotAlarm "$outage" || fail "the clear was never sent resolved"
took=$(real "$cleared")
(( took < 120 )) || fail "the resolve took $took s"
say "the clear is sent resolved within $took s"

wait_for 30 firing VimboProbeSlow "$slow" || fail "no warning for the probe using $(value "$prom" "instance:vimbo_scrape_duration:ratio{instance=\"$slow\"}") of its time-out"
wait_for 20 more_than 0 firing VimboProbeDown "$slower" || fail "the probe too slow for its time-out was not paged"
curl -s --max-time 5 "http://$am/api/v2/alerts?filter=alertname=%22VimboProbeDown%22" | grep -o '"summary":"[^"]*"' >"$scratch/down.txt"
grep -q "\"$slower[ :].*the probe answers too slowly" "$scratch/down.txt" || fail "the probe too slow for its time-out is not paged as slow: $(cat "$scratch/down.txt")"
grep -q "\"$once[ :].*the probe does not answer" "$scratch/down.txt" || fail "the silent probe is not paged as silent: $(cat "$scratch/down.txt")"
say "slow probes are warned, or paged as slow"
