# Shared by the monitoring checks: Debian's binaries, unpacked by the set-up
# into .cache/monitoring, and this build's simulators as plain processes on
# free loopback ports, with one scratch folder, all stopped on exit.
# Source it after setting `bin` (the build's bin folder) where simulators are
# needed. Exits 77 (a skip for ctest) when the tools are missing.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/../scripts/probe-sim.sh"
cache="$here/../.cache/monitoring"
tools="$cache/root/usr/bin"
[ -x "$tools/prometheus" ] && [ -x "$tools/prometheus-alertmanager" ] || { echo "run scripts/fetch-monitoring.sh first"; exit 77; }
started=$SECONDS
scratch=$(mktemp -d)
pids=()
stop_all() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$scratch"
}
trap stop_all EXIT
isolate_net_snmp "$scratch"
fail() {
  echo "FAILED: $*"; echo "--- logs"
  for log in "$scratch"/*.log; do [ -s "$log" ] && { echo "== ${log##*/}"; tail -n 8 "$log"; }; done
  exit 1
}
say() { echo "$* ($((SECONDS - started)) s)"; }

# A free TCP port on 127.0.0.1, never a service's default.
free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }

# start NAME COMMAND...: runs it in the background, its output in NAME.log; sets NAME_pid.
start() {
  local name=$1; shift
  "$@" >"$scratch/$name.log" 2>&1 &
  pids+=($!); eval "${name}_pid=$!"
}

# start_probe NAME HOST [SIMULATOR OPTIONS...]: a simulator on a free port of
# HOST; sets NAME to HOST:PORT and NAME_pid.
start_probe() {
  local name=$1 host=$2; shift 2
  local listening=0
  start_sim "$bin/vimboProbeSim" "$scratch/$name.out" "$host:0" "$@" 2>"$scratch/$name.log" || listening=$?
  pids+=("$sim_pid"); eval "${name}_pid=$sim_pid"
  [ "$listening" = 0 ] || fail "the simulator $name did not start"
  eval "$name=$host:$sim_port"
}

# start_exporter NAME: the SNMP exporter with the project's module; sets NAME to its address.
start_exporter() {
  local port; port=$(free_port)
  start "$1" "$tools/prometheus-snmp-exporter" --config.file="$here/snmp_exporter/snmp.yml" \
    --web.listen-address="127.0.0.1:$port"
  eval "$1=127.0.0.1:$port"
  wait_for 10 curl -sf --max-time 1 -o /dev/null "http://127.0.0.1:$port/" || fail "the exporter $1 did not start"
}

# compress FILE: the shipped file with every time scaled down 15 times (15 s
# becomes 1 s), so that a check runs the real timings' race in a fifteenth of
# the time; written to the scratch folder as compressed-NAME, its path printed.
compress() {
  local out; out="$scratch/compressed-$(basename "$1")"
  python3 - "$1" "$out" <<'EOF'
import re, sys
units = {"s": 1, "m": 60, "h": 3600}
def scaled(match):
    seconds = int(match.group(2)) * units[match.group(3)] / 15
    return f"{match.group(1)}{seconds:g}s" if seconds == int(seconds) else f"{match.group(1)}{round(seconds * 1000)}ms"
text = open(sys.argv[1]).read()
text = re.sub(r"((?:for|keep_firing_for|group_wait|group_interval|repeat_interval|scrape_interval|"
              r"evaluation_interval|scrape_timeout|batch_send_deadline|interval): )(\d+)([smh])\b", scaled, text)
text = re.sub(r"(_age:seconds > )(\d+)", lambda m: f"{m.group(1)}{int(m.group(2)) // 15}", text)
# The rules' windows too, so that a share of the last minutes counts as many answers.
text = re.sub(r"\[(\d+)([smh])\]", lambda m: "[" + scaled(re.match(r"()(\d+)([smh])", m.group(1) + m.group(2))) + "]", text)
open(sys.argv[2], "w").write(text)
EOF
  echo "$out"
}

# compress_rules: every rule file of the example, compressed, where the
# scaled-down prometheus.yml looks for them (compressed-NAME).
compress_rules() { local f; for f in "$here"/prometheus/vimbo-*.yml; do compress "$f" >/dev/null; done; }

# start_prometheus NAME CONFIG [FLAGS...]: sets NAME to its address.
start_prometheus() {
  local name=$1 config=$2 port; shift 2; port=$(free_port)
  # An agent has no storage of its own and no alerts to resend.
  local storage=(--storage.tsdb.path="$scratch/$name-data" --rules.alert.resend-delay=4s --enable-feature=extra-scrape-metrics)
  [[ " $* " == *" --enable-feature=agent "* ]] && storage=(--storage.agent.path="$scratch/$name-data")
  start "$name" "$tools/prometheus" --config.file="$config" "${storage[@]}" --web.listen-address="127.0.0.1:$port" "$@"
  eval "$name=127.0.0.1:$port"
}

# start_alertmanager NAME CONFIG: sets NAME to its address. Debian's binary
# reads its default template from /usr/share/prometheus/alertmanager; it runs
# in a private mount namespace where the unpacked package's /usr/share lies
# over the system's, so nothing is written under system folders.
start_alertmanager() {
  local port; port=$(free_port)
  unshare -m --propagation private true 2>/dev/null || { echo "Alertmanager needs a private mount namespace (root)"; exit 77; }
  start "$1" unshare -m --propagation private sh -c \
    "mount -t overlay overlay -o lowerdir='$cache/root/usr/share':/usr/share /usr/share &&
     exec '$tools/prometheus-alertmanager' --config.file='$2' --storage.path='$scratch/$1-data' \
       --web.listen-address=127.0.0.1:$port --cluster.listen-address="
  eval "$1=127.0.0.1:$port"
}

# start_webhook NAME: a receiver that writes each notification it gets to
# NAME.jsonl, one "status alertname label=value,..." line per alert in it;
# sets NAME to its URL.
start_webhook() {
  local port; port=$(free_port)
  start "$1" python3 -u -c '
import http.server, json, sys
class Hook(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        body = json.loads(self.rfile.read(int(self.headers["Content-Length"])))
        with open(sys.argv[2], "a") as f:
            for a in body["alerts"]:
                labels = ",".join(f"{k}={v}" for k, v in sorted(a["labels"].items()) if k != "alertname")
                f.write(" ".join((a["status"], a["labels"]["alertname"], labels)) + "\n")
        self.send_response(200); self.end_headers()
    def log_message(self, *args): pass
http.server.HTTPServer(("127.0.0.1", int(sys.argv[1])), Hook).serve_forever()' "$port" "$scratch/$1.jsonl"
  touch "$scratch/$1.jsonl"
  eval "$1=http://127.0.0.1:$port/"
}

# query ADDRESS PROMQL: one "labels value" line per sample, labels sorted.
query() {
  curl -s --max-time 5 -G "http://$1/api/v1/query" --data-urlencode "query=$2" | python3 -c '
import json, sys
try: result = json.load(sys.stdin)["data"]["result"]
except Exception: result = []
for s in result:
    print(",".join(f"{k}={v}" for k, v in sorted(s["metric"].items())), s["value"][1])'
}
value() { query "$1" "$2" | awk '{print $NF}'; }
# wait_for SECONDS COMMAND...: until the command succeeds.
wait_for() {
  local until=$((SECONDS + $1)); shift
  until "$@"; do [ $SECONDS -lt $until ] || return 1; sleep 0.5; done
}
ready() { curl -sf --max-time 2 "http://$1/-/ready" >/dev/null; }
