#!/usr/bin/env bash
# vimbo-console --headless forwarding to an Alertmanager: three simulated
# probes (one answering quietly, one with slot 4 in alarm, one silent) and a
# small HTTP receiver on a loopback port standing in for the Alertmanager.
# Every alert carries its own probe's label and site from the list, the
# console sends one heartbeat of its own, and a SIGTERM ends it with status 0.
# Usage: console-forward-end-to-end.sh BIN_DIR
set -euo pipefail
bin=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../scripts/probe-sim.sh"
scratch=$(mktemp -d)
isolate_net_snmp "$scratch"
export XDG_CONFIG_HOME="$scratch/config" XDG_STATE_HOME="$scratch/state"
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
store="$scratch/history.sqlite"
posts="$scratch/posts.jsonl"
fail() {
  echo "FAIL: $*" >&2
  echo "--- console log:" >&2; cat "$scratch/console.log" >&2 || true
  echo "--- last post:" >&2; tail -n 1 "$posts" >&2 || true
  exit 1
}

# The receiver: each POST body to /api/v2/alerts one line of $posts, answered 200.
python3 - "$posts" "$scratch/receiver.port" <<'PY' &
import http.server, sys
posts, port_file = sys.argv[1], sys.argv[2]
class Receiver(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        body = self.rfile.read(int(self.headers.get("Content-Length", 0)))
        with open(posts, "ab") as out:
            out.write((self.path + " ").encode() + body.replace(b"\n", b" ") + b"\n")
        self.send_response(200)
        self.send_header("Content-Length", "0")
        self.end_headers()
    def log_message(self, *args):
        pass
server = http.server.HTTPServer(("127.0.0.1", 0), Receiver)
with open(port_file + ".tmp", "w") as out:
    out.write(str(server.server_port))
import os; os.rename(port_file + ".tmp", port_file)
server.serve_forever()
PY
pids+=($!)
for _ in $(seq 50); do [ -f "$scratch/receiver.port" ] && break; sleep 0.1; done
[ -f "$scratch/receiver.port" ] || fail "the receiver did not start"
receiver=$(cat "$scratch/receiver.port")

# Probe 2 reports slot 4's alarm (flag bit 8 + 3); probe 3 never answers.
"$bin/vimboProbeSim" --listen 127.0.0.1:0 --probes 3 --silent-probes 3 --probe-flags 2=0800 >"$scratch/sim.out" &
pids+=($!)
for _ in $(seq 50); do [ "$(grep -c '^listening on ' "$scratch/sim.out")" -ge 3 ] && break; sleep 0.1; done
[ "$(grep -c '^listening on ' "$scratch/sim.out")" -ge 3 ] || fail "the simulator did not start"
mapfile -t ports < <(sed -n 's/^listening on .*:\([0-9]*\)$/\1/p' "$scratch/sim.out")

list="$scratch/probes.conf"
{
  printf '[probe north-1]\nsite = North Hill\nagent = 127.0.0.1\nport = %s\n\n' "${ports[0]}"
  printf '[probe east-2]\nsite = East Ridge\nagent = 127.0.0.1\nport = %s\n\n' "${ports[1]}"
  printf '[probe south-3]\nsite = South Bay\nagent = 127.0.0.1\nport = %s\ntimeout-10ms = 50\n' "${ports[2]}"
} >"$list"
chmod 600 "$list"

# From the build folder, where the channel plan is, as the desktop finds it.
(cd "$bin" && exec ./vimbo-console --headless --probes "$list" --history "$store" \
  --alertmanager "http://127.0.0.1:$receiver") 2>"$scratch/console.log" &
console=$!
pids+=("$console")

# Until one post holds both the alarm and the silent probe's loss.
for _ in $(seq 150); do
  [ -f "$posts" ] && tail -n 1 "$posts" | grep -q VimboAlarm && tail -n 1 "$posts" | grep -q VimboProbeLost && break
  kill -0 "$console" 2>/dev/null || fail "vimbo-console ended"
  sleep 0.2
done
tail -n 1 "$posts" | grep -q VimboProbeLost || fail "no alert of the alarm and the silent probe within 30 s"

kill -TERM "$console"
status=0
wait "$console" || status=$?
[ "$status" -eq 0 ] || fail "vimbo-console ended with status $status after SIGTERM"

events=$("$bin/vimbo-history" --history "$store" events)
python3 - "$posts" "${ports[@]}" <<PY || fail "the alerts or the journal are wrong"
import csv, io, json, sys
posts_file, ports = sys.argv[1], sys.argv[2:]
posts = []
for line in open(posts_file):
    path, body = line.split(" ", 1)
    assert path == "/api/v2/alerts", path
    posts.append(json.loads(body))
for alerts in posts:
    beats = [a for a in alerts if a["labels"]["alertname"] == "VimboManagerHeartbeat"]
    assert len(beats) == 1, f"{len(beats)} heartbeats in one post"
    assert beats[0]["labels"]["manager"].startswith("vimbo-console@"), beats[0]
    assert "probe" not in beats[0]["labels"] and "probe_label" not in beats[0]["labels"], beats[0]
    assert beats[0]["annotations"]["summary"].startswith("vimbo-console is running"), beats[0]
last = {a["labels"]["alertname"]: a for a in posts[-1]}
alarm, lost = last["VimboAlarm"], last["VimboProbeLost"]
assert alarm["labels"]["probe"] == f"127.0.0.1:{ports[1]}", alarm
assert alarm["labels"]["probe_label"] == "east-2" and alarm["labels"]["site"] == "East Ridge", alarm
assert alarm["labels"]["slot"] == "4" and alarm["labels"]["channel"].startswith("(Ch"), alarm
assert alarm["annotations"]["summary"].startswith("East Ridge / east-2 ("), alarm
assert lost["labels"]["probe"] == f"127.0.0.1:{ports[2]}", lost
assert lost["labels"]["probe_label"] == "south-3" and lost["labels"]["site"] == "South Bay", lost
assert lost["annotations"]["summary"] == "South Bay / south-3 (Probe at 127.0.0.1:" + ports[2] + "): The probe does not answer", lost
# The quiet probe is in no alert.
assert not any(a["labels"].get("probe_label") == "north-1" for alerts in posts for a in alerts)
events = list(csv.DictReader(io.StringIO('''$events''')))
rose = [e for e in events if e["kind"] == "alarm rose"]
assert [(e["probe"], e["slot"]) for e in rose] == [(f"127.0.0.1:{ports[1]}", "4")], rose
never = [e for e in events if e["kind"] == "never answered"]
assert [e["probe"] for e in never] == [f"127.0.0.1:{ports[2]}"], never
PY
grep -q 'SIGTERM' "$scratch/console.log" || fail "the stop was not logged"
echo "console forwarding end to end: passed ($(wc -l <"$posts") posts)"
