#!/usr/bin/env bash
# The monitoring files' own checks, with the tools the set-up unpacked into
# .cache/monitoring. Usage: monitoring/check.sh mib|generator|rules|config|alertmanager|runbook
# Exit 77 (a skip for ctest) when the tools are missing.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cache="$here/../.cache/monitoring"
bin="$cache/root/usr/bin"
[ -x "$bin/promtool" ] && [ -f "$cache/mibs/SNMPv2-SMI" ] || { echo "run scripts/fetch-monitoring.sh first"; exit 77; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

case "$1" in
mib)
  # smilint exits 0 even on errors: its output must be empty.
  out=$(SMIPATH="$cache/mibs" smilint -l 6 "$here/mib/VIMBO-PROBE-MIB.txt" 2>&1)
  [ -z "$out" ] || { echo "$out"; exit 1; }
  ;;
generator)
  # The committed snmp.yml is what the exporter's generator makes of the
  # generator file and the MIB module.
  mkdir "$scratch/mibs"
  cp "$cache"/mibs/* "$here/mib/VIMBO-PROBE-MIB.txt" "$scratch/mibs/"
  cp "$here/snmp_exporter/generator.yml" "$scratch/"
  (cd "$scratch" && MIBDIRS="$scratch/mibs" "$bin/prometheus-snmp-generator" generate 2>"$scratch/log") ||
    { cat "$scratch/log"; exit 1; }
  diff -u "$here/snmp_exporter/snmp.yml" "$scratch/snmp.yml"
  "$bin/prometheus-snmp-exporter" --config.file="$here/snmp_exporter/snmp.yml" --dry-run 2>&1 | tail -1
  ;;
rules)
  "$bin/promtool" check rules "$here/prometheus/vimbo-rules.yml" "$here/prometheus/vimbo-channels.yml" "$here/prometheus/vimbo-alerts.yml"
  (cd "$here/prometheus" && "$bin/promtool" test rules vimbo-rules.test.yml)
  "$bin/promtool" check rules "$here/prometheus/vimbo-availability.yml"
  (cd "$here/prometheus" && "$bin/promtool" test rules vimbo-availability.test.yml vimbo-availability-midnight.test.yml)
  ;;
config)
  # The example as installed: its rule files where the package puts them.
  mkdir -p "$scratch/share"
  cp "$here"/prometheus/vimbo-*.yml "$scratch/share/"
  sed "s|/usr/share/vimbo/prometheus/|$scratch/share/|" "$here/prometheus/prometheus.yml" >"$scratch/prometheus.yml"
  "$bin/promtool" check config "$scratch/prometheus.yml"
  sed "s|/usr/share/vimbo/prometheus/|$scratch/share/|" "$here/regions/central.yml" >"$scratch/central.yml"
  "$bin/promtool" check config "$scratch/central.yml"
  "$bin/promtool" check config --agent "$here/regions/agent.yml"
  ;;
alertmanager)
  config="$here/alertmanager/alertmanager.yml"
  "$bin/amtool" check-config "$config"
  # Where each kind of alert goes: "receiver labels...".
  while read -r receiver labels; do
    "$bin/amtool" config routes test --config.file="$config" --verify.receivers="$receiver" $labels 2>/dev/null >/dev/null ||
      { echo "not routed to $receiver: $labels"; exit 1; }
  done <<'ROUTES'
on-call alertname=VimboProbeDown severity=critical instance=192.0.2.10:161
on-call alertname=VimboSlotAlarm severity=critical instance=192.0.2.10:161 slot=3
on-call alertname=VimboExporterDown severity=critical instance=127.0.0.1:9116
on-call alertname=VimboRegionDown severity=critical region=north
operators alertname=VimboSlotWarning severity=warning instance=192.0.2.10:161 slot=3
operators alertname=VimboScrapeIncomplete severity=warning instance=192.0.2.10:161
operators alertname=VimboProbeSlow severity=warning instance=192.0.2.10:161
on-call alertname=VimboSlotIntermittent severity=critical instance=192.0.2.10:161 slot=3
operators alertname=Other
dead-man alertname=VimboManagerHeartbeat severity=none site=Hilltop manager=127.0.0.1:16161
on-call alertname=VimboAlarm severity=critical probe=127.0.0.1:16161 slot=3
on-call alertname=VimboProbeLost severity=critical probe=127.0.0.1:16161
operators alertname=VimboWarning severity=warning probe=127.0.0.1:16161 slot=3
ROUTES
  ;;
runbook)
  # Every alert names a section of the runbook that tells what it means, the
  # first three things to check and how to silence it for maintenance.
  python3 - "$here/prometheus/vimbo-alerts.yml" "$here/runbook.md" <<'PY'
import re, sys, yaml
alerts = [r for g in yaml.safe_load(open(sys.argv[1]))["groups"] for r in g["rules"] if "alert" in r]
text = open(sys.argv[2]).read()
sections = {m.group(1).lower(): m.end() for m in re.finditer(r"^## (\w+)$", text, re.M)}
failed = False
for alert in alerts:
    # The base comes from the external label runbook_base: one line to change when the runbook moves.
    url = alert["annotations"].get("runbook_url", "")
    anchor = url.partition("#")[2]
    base = "{{ or $externalLabels.runbook_base `file:///usr/share/doc/vimbo-monitoring/runbook.md` }}#"
    if not url.startswith(base) or anchor != alert["alert"].lower():
        print(f"{alert['alert']}: runbook_url {url!r} names no section of its own"); failed = True; continue
    if anchor not in sections:
        print(f"{alert['alert']}: the runbook has no section '## {alert['alert']}'"); failed = True; continue
    body = text[sections[anchor]:].split("\n## ", 1)[0]
    checks = body.partition("### First checks")[2].split("###", 1)[0]
    for part in ("### What it means", "### First checks", "### Maintenance"):
        if part not in body:
            print(f"{alert['alert']}: its section lacks '{part}'"); failed = True
    if re.findall(r"^([1-9])\. ", checks, re.M)[:3] != ["1", "2", "3"]:
        print(f"{alert['alert']}: its first checks are not three numbered steps"); failed = True
    if "amtool silence add" not in body:
        print(f"{alert['alert']}: its maintenance part gives no amtool silence"); failed = True
sys.exit(failed)
PY
  ;;
*)
  echo "usage: $0 mib|generator|rules|config|alertmanager|runbook" >&2; exit 2 ;;
esac
