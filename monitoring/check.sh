#!/usr/bin/env bash
# The monitoring files' own checks, with the tools the set-up unpacked into
# .cache/monitoring. Usage: monitoring/check.sh mib|generator|rules|config
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
  "$bin/promtool" check rules "$here/prometheus/vimbo-rules.yml" "$here/prometheus/vimbo-alerts.yml"
  (cd "$here/prometheus" && "$bin/promtool" test rules vimbo-rules.test.yml)
  ;;
config)
  # The example as installed: its rule files where the package puts them.
  mkdir -p "$scratch/share"
  cp "$here"/prometheus/vimbo-*.yml "$scratch/share/"
  sed "s|/usr/share/vimbo/prometheus/|$scratch/share/|" "$here/prometheus/prometheus.yml" >"$scratch/prometheus.yml"
  "$bin/promtool" check config "$scratch/prometheus.yml"
  ;;
*)
  echo "usage: $0 mib|generator|rules|config" >&2; exit 2 ;;
esac
