#!/usr/bin/env bash
# vimboManager's alerts straight to the real Alertmanager (--alertmanager),
# with this build's simulator and vimbo-snmp: one firing notification at an
# alarm's rise naming the probe, its channel and its slot 1-6, the heartbeat
# on its own receiver, and the Alertmanager stopped while the alarm clears
# and started again: the resolution still arrives, once.
# Usage: monitoring/forward.sh BIN_DIR
set -euo pipefail
bin=$(cd "$1" && pwd)
. "$(dirname "$0")/lib.sh"
export XDG_CONFIG_HOME="$scratch" XDG_STATE_HOME="$scratch/state" ZEMTRA_REGISTRY="$scratch/registry.reg"
export QT_QPA_PLATFORM=offscreen

start_webhook hook
start_webhook deadman
# The shipped routing of the heartbeat, with short groups so that this runs in seconds.
cat >"$scratch/am.yml" <<YML
route:
  receiver: operators
  group_by: [alertname, probe, slot]
  group_wait: 1s
  group_interval: 1s
  repeat_interval: 1h
  routes:
    - matchers: [alertname = VimboManagerHeartbeat]
      receiver: dead-man
      repeat_interval: 2s
receivers:
  - name: operators
    webhook_configs: [{url: '${hook}', send_resolved: true}]
  - name: dead-man
    webhook_configs: [{url: '${deadman}', send_resolved: true}]
YML
am_port=$(free_port)
# run_alertmanager: on the same port and storage each time, as a restarted service is.
run_alertmanager() {
  unshare -m --propagation private true 2>/dev/null || { echo "Alertmanager needs a private mount namespace (root)"; exit 77; }
  start am unshare -m --propagation private sh -c \
    "mount -t overlay overlay -o lowerdir='$cache/root/usr/share':/usr/share /usr/share &&
     exec '$tools/prometheus-alertmanager' --config.file='$scratch/am.yml' --storage.path='$scratch/am-data' \
       --web.listen-address=127.0.0.1:$am_port --cluster.listen-address="
  wait_for 20 ready "127.0.0.1:$am_port" || fail "the Alertmanager did not start"
}
run_alertmanager

start_probe probe 127.0.0.1
port=${probe##*:}
# The Alertmanager and the site from the settings file, the probe's label from the command line.
mkdir -m 0700 "$scratch/vimbo"
printf '[snmp]\nalertmanager = http://127.0.0.1:%s\nsite = Hilltop\n' "$am_port" >"$scratch/vimbo/vimboManager.conf"
(cd "$bin" && exec ./vimboManager --agent 127.0.0.1 --port "$port" --no-notify --no-history --probe-label "North mast") \
  >"$scratch/manager.log" 2>&1 &
manager_pid=$!
pids+=("$manager_pid")

lines() { grep -c -- "$2" "$scratch/$1.jsonl" || true; }
seen() { [ "$(lines "$1" "$2")" -ge "${3:-1}" ]; }
snmp() { "$bin/vimbo-snmp" --agent 127.0.0.1 --port "$port" --community-r tavelo --community-w kiminar "$@" >/dev/null; }
# Slot 2 (index 1): a power threshold above any power raises its alarm, the old one clears it.
power_alarm=.1.3.6.1.4.1.32473.2.2.4.6

wait_for 20 seen deadman "^firing VimboManagerHeartbeat manager=127.0.0.1:$port,severity=none,site=Hilltop\$" || fail "no heartbeat"
say "heartbeat received"
# It ends by itself within minutes of the manager's last post: a manager that stops is known.
heartbeat_end=$(curl -sf --max-time 5 "http://127.0.0.1:$am_port/api/v2/alerts?filter=alertname%3DVimboManagerHeartbeat" |
  python3 -c 'import json, sys, datetime
a = json.load(sys.stdin)[0]
print(int((datetime.datetime.fromisoformat(a["endsAt"].replace("Z", "+00:00")) - datetime.datetime.now(datetime.timezone.utc)).total_seconds()))')
[ "$heartbeat_end" -gt 60 ] && [ "$heartbeat_end" -le 125 ] || fail "the heartbeat ends in ${heartbeat_end}s, not within 2 minutes"
snmp set "$power_alarm" int16:120
wait_for 30 seen hook '^firing VimboAlarm .*slot=2$' || fail "no firing notification for slot 2"
rise=$(grep -- '^firing VimboAlarm .*slot=2$' "$scratch/hook.jsonl" | head -1)
[[ "$rise" =~ channel=[^,]+,probe=127\.0\.0\.1:$port,probe_label=North\ mast,probe_name=[^,]+,severity=critical,site=Hilltop,slot=2$ ]] ||
  fail "the firing notification does not name the probe, channel and slot: $rise"
say "alarm notified: $rise"

kill "$am_pid"; wait "$am_pid" 2>/dev/null || true
snmp set "$power_alarm" int16:40
wait_for 30 grep -q "cannot be reached" "$scratch/manager.log" || fail "the manager did not tell the Alertmanager unreachable"
sleep 3  # cleared while the Alertmanager is away
run_alertmanager
wait_for 40 seen hook '^resolved VimboAlarm .*slot=2$' || fail "the clear made while the Alertmanager was down was lost"
say "resolution delivered after the restart"
sleep 3
[ "$(lines hook '^firing VimboAlarm .*slot=2$')" -eq 1 ] || fail "the rise was notified $(lines hook '^firing VimboAlarm .*slot=2$') times"
[ "$(lines hook '^resolved VimboAlarm .*slot=2$')" -eq 1 ] || fail "the clear was notified $(lines hook '^resolved VimboAlarm .*slot=2$') times"
[ "$(grep -c "cannot be reached" "$scratch/manager.log")" -eq 1 ] || fail "the unreachable Alertmanager was told more than once"
grep -q "answers again" "$scratch/manager.log" || fail "the Alertmanager's return was not told"
kill -0 "$manager_pid" || fail "the manager stopped"
say "passed"
