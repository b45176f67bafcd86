#!/usr/bin/env bash
# Far sites: a probe 200 ms away (the simulator's --delay-ms 200) through
# Debian's SNMP exporter and the project's module, scraped with the time-outs
# of the shipped scrape example's two jobs as Prometheus sends them. The
# module's 50 GETs one after the other take 10 s there: the ordinary job's
# 10 s must fail, the far-site job's must read all 50 objects.
# Usage: monitoring/far-sites.sh BUILD_BIN_DIR   (exit 77 without the tools)
set -euo pipefail
bin=$(cd "$1" && pwd)
source "$(dirname "$0")/lib.sh"

timeouts=$(python3 - "$here/prometheus/prometheus.yml" <<'PY'
import sys, yaml
jobs = {j["job_name"]: j for j in yaml.safe_load(open(sys.argv[1]))["scrape_configs"]}
print(jobs["vimbo-probes"]["scrape_timeout"].rstrip("s"), jobs["vimbo-probes-far"]["scrape_timeout"].rstrip("s"))
PY
)
read -r near far <<<"$timeouts"
# One probe for each scrape: a simulator answers one request at a time.
start_probe near_probe 127.0.0.1 --delay-ms 200
start_probe far_probe 127.0.0.1 --delay-ms 200
start_exporter exporter
# Prometheus gives up at the time-out and the exporter (0.21) stops with it.
scrape() {  # TIMEOUT PROBE OUT: the HTTP status of one scrape as Prometheus makes it
  curl -s -o "$3" -w '%{http_code}' --max-time "$1" -H "X-Prometheus-Scrape-Timeout-Seconds: $1" \
    "http://$exporter/snmp?module=vimbo_probe&target=$2" || true
}
scrape "$near" "$near_probe" "$scratch/near.txt" >"$scratch/near.code" &
near_scrape=$!
code=$(scrape "$far" "$far_probe" "$scratch/far.txt")
wait "$near_scrape"
[ "$code" = 200 ] && grep -q '^snmp_scrape_pdus_returned 50$' "$scratch/far.txt" ||
  fail "the far-site job's ${far} s do not read a probe 200 ms away: HTTP $code, $(grep pdus_returned "$scratch/far.txt")"
[ "$(cat "$scratch/near.code")" != 200 ] || fail "the ordinary job's ${near} s read a probe 200 ms away: the limits told are wrong"
say "a probe 200 ms away: read in the far-site job's ${far} s, not in the ordinary ${near} s"
