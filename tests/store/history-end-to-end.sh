#!/usr/bin/env bash
# The history end to end, with this build's programs: vimboManager records a
# slot alarm raised and cleared by writing a threshold with vimbo-snmp, the
# simulator stopped and started again, and its own SIGKILL (an alarm across
# it is one alarm; one cleared while nobody watched ends at its last
# sighting); vimbo-history then reads it all back. A second manager on a
# second probe shares the store, and two managers on one probe record each
# rise once.
# Usage: history-end-to-end.sh BIN_DIR
set -euo pipefail
bin=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../scripts/probe-sim.sh"
scratch=$(mktemp -d)
isolate_net_snmp "$scratch"
export XDG_CONFIG_HOME="$scratch" XDG_STATE_HOME="$scratch/state" ZEMTRA_REGISTRY="$scratch/registry.reg"
export QT_QPA_PLATFORM=offscreen
store="$scratch/history.sqlite"
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; echo "--- events:" >&2; "$bin/vimbo-history" --history "$store" events >&2 || true; exit 1; }

# until_seen SECONDS PATTERN [COUNT]: waits until the journal holds COUNT lines matching PATTERN.
until_seen() {
  local seconds=$1 pattern=$2 count=${3:-1}
  for _ in $(seq $((seconds * 5))); do
    if [ -f "$store" ] && [ "$("$bin/vimbo-history" --history "$store" events 2>/dev/null | grep -c -- "$pattern")" -ge "$count" ]; then
      return 0
    fi
    sleep 0.2
  done
  fail "no \"$pattern\" (x$count) within ${seconds}s"
}

start_manager() {  # PORT LOG
  (cd "$bin" && exec ./vimboManager --agent 127.0.0.1 --port "$1" --no-notify --history "$store") >"$2" 2>&1 &
  manager_pid=$!
  pids+=("$manager_pid")
}

snmp() { "$bin/vimbo-snmp" --agent 127.0.0.1 --port "$port" --community-r tavelo --community-w kiminar "$@" >/dev/null; }
power_alarm_oid() { echo ".1.3.6.1.4.1.32473.2.2.$(($1 + 3)).6"; }  # slot 0..5, written without ".0"

start_sim "$bin/vimboProbeSim" "$scratch/sim.out" 127.0.0.1:0 || fail "the simulator did not start"
sim=$sim_pid port=$sim_port
pids+=("$sim")
start_sim "$bin/vimboProbeSim" "$scratch/sim2.out" 127.0.0.1:0 --seed 7 || fail "the second simulator did not start"
pids+=("$sim_pid")
port2=$sim_port

start_manager "$port" "$scratch/manager.log"
first_manager=$manager_pid
start_manager "$port2" "$scratch/manager2.log"
second_manager=$manager_pid
# A third, whose store is a folder: told once, and it polls all the same.
start_sim "$bin/vimboProbeSim" "$scratch/sim3.out" 127.0.0.1:0 --log-requests "$scratch/sim3.requests" ||
  fail "the third simulator did not start"
pids+=("$sim_pid")
(cd "$bin" && exec ./vimboManager --agent 127.0.0.1 --port "$sim_port" --no-notify --history "$scratch") \
  >"$scratch/manager3.log" 2>&1 &
unusable=$!
pids+=("$unusable")

# Slot 2 (index 1): a power threshold above any power raises the alarm, the old one clears it.
snmp set "$(power_alarm_oid 1)" int16:120
until_seen 20 ',alarm rose,2,'
sleep 4
snmp set "$(power_alarm_oid 1)" int16:40
until_seen 15 ',alarm cleared,2,'

# The probe goes away and comes back on the same port.
kill "$sim"; wait "$sim" 2>/dev/null || true
until_seen 30 ',probe lost,'
start_sim "$bin/vimboProbeSim" "$scratch/sim.out" "127.0.0.1:$port" || fail "the simulator did not start again"
pids+=("$sim_pid")
until_seen 20 ',probe back,'

count() { "$bin/vimbo-history" --history "$store" events | grep -c -- "$1" || true; }

# An alarm still on when the manager is killed, and on after its restart, is one alarm.
snmp set "$(power_alarm_oid 3)" int16:120
until_seen 15 ',alarm rose,4,'
sleep 6  # a bucket or two recorded with it
killed_at=$(date +%s)
kill -9 "$first_manager"
wait "$first_manager" 2>/dev/null || true
sleep 2
start_manager "$port" "$scratch/manager.log"
first_manager=$manager_pid
sleep 8  # the new run's first cycles see it lit
[ "$(count ',alarm rose,4,')" -eq 1 ] || fail "the alarm lit across the restart is not one alarm"
[ "$(count ',alarm unknown end,4,')" -eq 0 ] || fail "the alarm lit across the restart was ended"

# Killed again, and the alarm cleared while nobody watches: it ends at its last sighting.
last_seen=$(date +%s)
kill -9 "$first_manager"
wait "$first_manager" 2>/dev/null || true
snmp set "$(power_alarm_oid 3)" int16:40
sleep 3
start_manager "$port" "$scratch/manager.log"
first_manager=$manager_pid
until_seen 15 ',alarm unknown end,4,'

# A second manager on the same probe: one rise and one clear between them.
start_manager "$port" "$scratch/manager5.log"
sleep 6
snmp set "$(power_alarm_oid 2)" int16:120
until_seen 15 ',alarm rose,3,'
sleep 6  # both have seen it
snmp set "$(power_alarm_oid 2)" int16:40
until_seen 15 ',alarm cleared,3,'
sleep 6
[ "$(count ',alarm rose,3,')" -eq 1 ] || fail "two managers on one probe recorded the rise $(count ',alarm rose,3,') times"
[ "$(count ',alarm cleared,3,')" -eq 1 ] || fail "two managers on one probe recorded the clear $(count ',alarm cleared,3,') times"

events=$("$bin/vimbo-history" --history "$store" events --probe "127.0.0.1:$port")
exported=$("$bin/vimbo-history" --history "$store" export --probe "127.0.0.1:$port" --since 1h)
probes=$("$bin/vimbo-history" --history "$store" probes)
python3 - "$port" "$port2" "$killed_at" "$last_seen" <<PY || fail "the history read back is wrong"
import csv, io, sys, datetime
port, port2, killed, last_seen = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
events = list(csv.DictReader(io.StringIO('''$events''')))
def one(kind, slot=""):
    rows = [e for e in events if e["kind"] == kind and e["slot"] == slot]
    assert rows, f"no {kind} {slot}"
    for e in rows:
        assert e["probe"] == f"127.0.0.1:{port}" and e["probe name"] == "VIMBO-SIM", e
    return rows
rise = one("alarm rose", "2")[-1]
clear = one("alarm cleared", "2")[0]
assert rise["channel"] and rise["power"], rise
assert int(clear["duration"]) >= 3, clear
one("probe lost"); one("probe back")
stamp = lambda e: datetime.datetime.fromisoformat(e["time"]).timestamp()
rise4 = one("alarm rose", "4")
end4 = one("alarm unknown end", "4")
assert len(rise4) == 1 and len(end4) == 1, (rise4, end4)
# At its last sighting, the last bucket before the kill (one every 5 s), with its duration to then.
assert last_seen - 7 <= stamp(end4[0]) <= last_seen + 1, (end4, last_seen)
assert abs(int(end4[0]["duration"]) - (stamp(end4[0]) - stamp(rise4[0]))) <= 1, (rise4, end4)  # whole seconds
assert end4[0]["detail"] == "in an unwatched gap", end4
times = [datetime.datetime.fromisoformat(r["time"]).timestamp()
         for r in csv.DictReader(io.StringIO('''$exported'''))]
assert any(t < killed for t in times) and any(t > killed + 2 for t in times), "no buckets on both sides of the kill"
assert times == sorted(times)
probes = list(csv.DictReader(io.StringIO('''$probes''')))
assert {p["probe"] for p in probes} == {f"127.0.0.1:{port}", f"127.0.0.1:{port2}"}, probes
assert all(p["state"] == "answering" for p in probes), probes
PY
if grep -i "history cannot" "$scratch"/manager.log "$scratch"/manager2.log; then fail "a manager could not record"; fi
kill -0 "$unusable" || fail "the manager with an unusable store stopped"
[ "$(grep -c "cannot be kept in $scratch: it cannot be opened" "$scratch/manager3.log")" -eq 1 ] ||
  fail "the unusable store was not told once: $(cat "$scratch/manager3.log")"
[ "$(grep -c '^GET' "$scratch/sim3.requests")" -ge 500 ] || fail "the manager with an unusable store stopped polling"
"$bin/vimbo-history" --history "$store" export --probe "127.0.0.1:$port2" --since 1h | grep -q '^20' ||
  fail "the second manager recorded no bucket"

# vimbo-history's own part: the report finds the two kills' gaps and the
# journal's alarm time (to within a cycle; a gap's ends to within a bucket), and
# a probe named as a formula is inert in every CSV.
printf '%s\n' '.1.3.6.1.4.1.32473.2.2.1.1.0 =HYPERLINK("http://x","y")' \
  "$(power_alarm_oid 0).0 120" >"$scratch/formula.static"  # and slot 1 in alarm
start_sim "$bin/vimboProbeSim" "$scratch/sim4.out" 127.0.0.1:0 --static "$scratch/formula.static" ||
  fail "the formula-named simulator did not start"
pids+=("$sim_pid")
start_manager "$sim_port" "$scratch/manager4.log"
for _ in $(seq 50); do
  "$bin/vimbo-history" --history "$store" events | grep -q HYPERLINK &&
    "$bin/vimbo-history" --history "$store" export --since 1h | grep -q HYPERLINK && break
  sleep 0.2
done
watched_from=$(printf '%s\n' "$events" | grep ',alarm rose,2,' | tail -1 | cut -d, -f1)
report=$("$bin/vimbo-history" --history "$store" report --probe "127.0.0.1:$port" --since "$watched_from" --format csv)
csvs=$(for args in events probes "export --since 1h" "report --since 1h --format csv"; do
  "$bin/vimbo-history" --history "$store" $args | base64 -w0; echo; done)
python3 - <<PY || fail "the report or a CSV is wrong"
import base64, csv, io
events = list(csv.DictReader(io.StringIO('''$events''')))
cleared = [e for e in events if e["kind"] == "alarm cleared" and e["slot"] == "2"][0]
row = [r for r in csv.DictReader(io.StringIO('''$report''')) if r["slot"] == "2"][0]
assert abs(int(row["in alarm (s)"]) - int(cleared["duration"])) <= 3 and row["alarms"] == "1", (row, cleared)
assert row["gaps"] == "2" and 5 <= int(row["unwatched (s)"]) <= 23, row  # killed for 2 s, then 3 s, and each start
end4 = [e for e in events if e["kind"] == "alarm unknown end" and e["slot"] == "4"][0]
row4 = [r for r in csv.DictReader(io.StringIO('''$report''')) if r["slot"] == "4"][0]
longest, inside = int(row4["longest alarm (s)"]), int(row4["in alarm (s)"])
assert row4["alarms"] == "1" and abs(longest - int(end4["duration"])) <= 1 and 2 <= longest - inside <= 11, (row4, end4)
buckets = list(csv.reader(io.StringIO('''$exported''')))[1:]
assert any(b[1] for b in buckets) and all(b[13:19] == [""] * 6 for b in buckets), "slots 5 and 6 are not surveyed"
for text in '''$csvs'''.split():
    cells = [c for r in csv.reader(io.StringIO(base64.b64decode(text).decode())) for c in r]
    assert any("HYPERLINK" in c for c in cells), "the formula-named probe is missing"
    for c in cells:
        try: float(c); continue
        except ValueError: pass
        assert not c or c[0] not in "=+-@\t\r", c
PY

# A manager gone: its probe is no longer "answering", but not watched since its last sign of life.
kill "$second_manager"
wait "$second_manager" 2>/dev/null || true
"$bin/vimbo-history" --history "$store" probes | tr -d '\r' | grep -q "^127.0.0.1:$port2,.*,not watched since [0-2][0-9]:[0-5][0-9]\$" ||
  fail "a probe nobody watches still reads: $("$bin/vimbo-history" --history "$store" probes | grep "$port2")"

printf '%s\n' "$events"
echo "history end to end: passed"
