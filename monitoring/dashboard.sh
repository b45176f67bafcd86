#!/usr/bin/env bash
# The Grafana dashboard against the real Prometheus: simulated probes at two
# sites (one with every surveyed slot in alarm), Debian's SNMP exporter and
# Prometheus with the shipped rules, their times scaled down 15 times. The
# days before now are backfilled with the availability rules' five-minute
# and daily figures, as Prometheus would have recorded them, so that the
# day and 30-day rules have windows to sum. Then every template variable's
# query is run, substituted as Grafana does for "All", and every panel's
# every target must return data in the panel's unit; in a slot not in alarm
# each measure lies on the good side of the probe's own alarm threshold.
# Usage: monitoring/dashboard.sh BUILD_BIN_DIR [DASHBOARD]   (exit 77 without the tools)
set -euo pipefail
bin=$(cd "$1" && pwd)
source "$(dirname "$0")/lib.sh"
dashboard=${2:-$here/grafana/vimbo-dashboard.json}
root=.1.3.6.1.4.1.32473.2.2

start_exporter exporter
echo "$root.2.1.0 40" >"$scratch/alarm.txt"  # a 40 dB MER alarm threshold: every surveyed slot in alarm
start_probe kestrel 127.0.0.1 --static /dev/null
start_probe harbour 127.0.0.2 --static "$scratch/alarm.txt"
cat >"$scratch/probes.yml" <<EOF
- targets: ['$kestrel']
  labels: {site: Kestrel Hill, probe_label: Kestrel 1}
- targets: ['$harbour']
  labels: {site: Harbour, probe_label: Harbour mast}
EOF

# The past 30 days of both probes, with the labels their scrapes give.
python3 - "$scratch/backfill.om" "$exporter" "$kestrel=Kestrel Hill=Kestrel 1" "$harbour=Harbour=Harbour mast" <<'EOF'
import sys, time
out, exporter, probes = sys.argv[1], sys.argv[2], [p.split("=") for p in sys.argv[3:]]
now = int(time.time())
last5 = (now - 600) // 300 * 300  # stops short of what the live rules record
day = 86400
lines = []
for instance, site, label in probes:
    labels = f'exporter="{exporter}",instance="{instance}",job="vimbo-probes",module="vimbo_probe",probe_label="{label}",site="{site}"'
    for name, five, whole in (("watched", 5, 1440), ("answering", 4.75, 1368)):
        for step, value, first in (("5m", five, last5 - 25 * 3600), ("1d", whole, (now // day - 31) * day)):
            lines.append(f"# TYPE instance:vimbo_{name}:minutes_{step} gauge")
            spacing = 300 if step == "5m" else day
            lines += [f"instance:vimbo_{name}:minutes_{step}{{{labels}}} {value} {t}" for t in range(first, last5 + 1, spacing)
                      if step == "5m" or t % day == 0]
    for kind, five, whole in (("alarm", 0.5, 144), ("warning", 0.25, 72)):
        for step, value, first in (("5m", five, last5 - 25 * 3600), ("1d", whole, (now // day - 31) * day)):
            lines.append(f"# TYPE instance_slot:vimbo_{kind}:minutes_{step} gauge")
            spacing = 300 if step == "5m" else day
            lines += [f'instance_slot:vimbo_{kind}:minutes_{step}{{{labels},slot="2"}} {value} {t}'
                      for t in range(first, last5 + 1, spacing)]
# OpenMetrics wants each family's samples together, in time order.
families = {}
for line in lines:
    if line.startswith("# TYPE"):
        current = line.split()[2]; families.setdefault(current, [line])
    else:
        families[current].append(line)
with open(out, "w") as f:
    for family in families.values():
        f.write(family[0] + "\n")
        f.write("\n".join(sorted(family[1:], key=lambda l: (l.rsplit(" ", 2)[0], int(l.rsplit(" ", 1)[1])))) + "\n")
    f.write("# EOF\n")
EOF
"$tools/promtool" tsdb create-blocks-from openmetrics "$scratch/backfill.om" "$scratch/prom-data" >"$scratch/backfill.log" 2>&1 ||
  fail "backfill: $(tail -3 "$scratch/backfill.log")"

compress_rules
sed -e "s|/usr/share/vimbo/prometheus/|$scratch/compressed-|" -e "s|/etc/prometheus/vimbo-probes/\*.yml|$scratch/probes.yml|" \
    -e "s|127.0.0.1:9116|$exporter|" "$(compress "$here/prometheus/prometheus.yml")" |
  python3 -c 'import sys, yaml; c = yaml.safe_load(sys.stdin); c.pop("alerting"); print(yaml.safe_dump(c))' >"$scratch/prometheus.yml"
# No Alertmanager here; the backfilled days kept past the default 15.
start_prometheus prom "$scratch/prometheus.yml" --query.lookback-delta=20s --storage.tsdb.retention.time=40d
wait_for 20 ready "$prom" || fail "Prometheus did not start"
say "two probes at two sites scraped, 30 days backfilled"

python3 - "$dashboard" "$prom" <<'EOF' || fail "the dashboard's queries"
import json, math, re, sys, time, urllib.parse, urllib.request
board, prom = json.load(open(sys.argv[1])), sys.argv[2]

def api(path, **params):
    url = f"http://{prom}/api/v1/{path}?" + urllib.parse.urlencode(params, doseq=True)
    with urllib.request.urlopen(url, timeout=10) as r:
        body = json.load(r)
    if body["status"] != "success":
        raise RuntimeError(f"{path} {params}: {body}")
    return body["data"]

problems = []
if [i["name"] for i in board.get("__inputs", []) if i.get("pluginId") == "prometheus"] != ["DS_PROMETHEUS"]:
    problems.append("the Prometheus data source is not the import input DS_PROMETHEUS")

# Grafana's substitution of a multi-value variable set to All in PromQL:
# the values as one regular expression, escaped, inside a PromQL string.
def substitute(expr, variables):
    return re.sub(r"\$(\w+)", lambda m: variables.get(m.group(1), m.group(0)), expr)

def resolve():
    """Each variable's values, and its problems: the first scrapes may not be in yet."""
    variables, trouble = {}, []
    for var in board["templating"]["list"]:
        query = var["query"]["query"] if isinstance(var["query"], dict) else var["query"]
        m = re.fullmatch(r"label_values\((.*),\s*(\w+)\)", query.strip(), re.S)
        if not m:
            trouble.append(f"variable {var['name']}: not a label_values query: {query}"); continue
        found = sorted({s[m.group(2)] for s in api("series", **{"match[]": substitute(m.group(1), variables)}) if m.group(2) in s})
        if not found:
            trouble.append(f"variable {var['name']}: {query} gives no value"); continue
        regex = "(" + "|".join(re.sub(r"([\\.+*?()|\[\]{}^$])", r"\\\1", v) for v in found) + ")"
        variables[var["name"]] = regex.replace("\\", "\\\\")
    return variables, trouble

panels = [p for p in board["panels"] if p["type"] != "row"]
deadline = time.time() + 45
while True:
    variables, trouble = resolve()
    got = {(p["title"], t["refId"]): api("query", query=substitute(t["expr"], variables))["result"]
           for p in panels for t in p["targets"]}
    empty = [k for k, v in got.items() if not v]
    if not (empty or trouble) or time.time() > deadline:
        break
    time.sleep(2)
problems += trouble
print("variables:", variables)
for title, ref in empty:
    problems.append(f"{title} {ref}: no data")

# What each unit allows; a unit not listed here is a fault of the board.
def minutes_limit(expr):
    return 30 * 1440 if "_30d" in expr else 1440
units = {
    "none": lambda v, e: v >= 0 and v == int(v),
    "percentunit": lambda v, e: 0 <= v <= 1,
    "dB": lambda v, e: -10 <= v <= 100,
    "suffix: dBµV": lambda v, e: -20 <= v <= 140,
    "sci": lambda v, e: 0 <= v <= 1,
    "m": lambda v, e: 0 <= v <= minutes_limit(e),
}
alarmed = {(s["metric"]["instance"], s["metric"]["slot"]) for s in api("query", query="instance_slot:vimbo_alarm:bool")["result"]}
for p in panels:
    unit = p["fieldConfig"]["defaults"].get("unit")
    if unit not in units:
        problems.append(f"{p['title']}: unit {unit!r} is none this board's data has"); continue
    for t in p["targets"]:
        for s in got[(p["title"], t["refId"])]:
            v = float(s["value"][1])
            if not math.isfinite(v) or not units[unit](v, t["expr"]):
                problems.append(f"{p['title']} {t['refId']}: {v} is not in {unit}: {s['metric']}")
    # A measure (A) on its alarm threshold's (B) bad side in a slot the probe calls fine.
    if unit in ("dB", "suffix: dBµV", "sci"):
        limit = {(s["metric"]["instance"], s["metric"].get("slot")): float(s["value"][1]) for s in got[(p["title"], "B")]}
        for s in got[(p["title"], "A")]:
            key = (s["metric"]["instance"], s["metric"]["slot"])
            bound = limit.get(key, limit.get((key[0], None)))
            if key in alarmed or bound is None:
                continue
            v = float(s["value"][1])
            if (v > bound) if unit == "sci" else (v < bound):
                problems.append(f"{p['title']}: slot {key[1]} of {key[0]} reads {v} beyond its alarm threshold {bound}, but is not in alarm")
    print(f"{p['title']}: {sum(len(got[(p['title'], t['refId'])]) for t in p['targets'])} series")
for problem in problems:
    print("FAILED:", problem)
sys.exit(1 if problems else 0)
EOF
say "every panel's query gives data in its unit"
[ $((SECONDS - started)) -lt 90 ] || fail "took 90 s or more"
