#!/usr/bin/env python3
"""How many alert notifications drifting probes send in a stretch of time.

Starts PROBES simulators with drifting measures (slot 3 of each sits near its
warning thresholds, so its warning comes and goes), Debian's SNMP exporter and
Prometheus with the monitoring files of MONITORING_DIR (the exporter module,
the scrape example at its own 15 s, the rules and alerts), and Alertmanager
sending every alert on its own (group_by all labels, send_resolved) to a
webhook this script runs. After MINUTES it prints the notifications, firing
and resolved, by alert name. With --shipped-alertmanager the Alertmanager
configuration is the shipped example instead, its receivers pointed at the
webhook. A benchmark, not a test; loopback only.

    bench/monitoring-flap.py [--probes 10] [--minutes 10] [--monitoring monitoring] [--shipped-alertmanager]
"""
import argparse, collections, http.server, json, os, re, sys, threading, time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from monitoring_stack import ROOT, Stack  # noqa: E402

NEUTRAL_ALERTMANAGER = """route:
  receiver: hook
  group_by: ['...']
  group_wait: 15s
  group_interval: 15s
  repeat_interval: 24h
receivers:
  - name: hook
    webhook_configs:
      - url: http://127.0.0.1:{port}/
        send_resolved: true
"""


class Hook(http.server.BaseHTTPRequestHandler):
    counts = collections.Counter()
    lock = threading.Lock()

    def do_POST(self):
        body = json.loads(self.rfile.read(int(self.headers["Content-Length"])))
        with Hook.lock:
            for alert in body["alerts"]:
                Hook.counts[(alert["labels"].get("alertname", "?"), alert["status"])] += 1
        self.send_response(200)
        self.end_headers()

    def log_message(self, *args):
        pass


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--probes", type=int, default=10)
    parser.add_argument("--minutes", type=float, default=10)
    parser.add_argument("--monitoring", default=os.path.join(ROOT, "monitoring"))
    parser.add_argument("--shipped-alertmanager", action="store_true")
    parser.add_argument("--bin", default=os.path.join(ROOT, "build/bin"))
    args = parser.parse_args()
    folder = os.path.abspath(args.monitoring)

    hook = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Hook)
    threading.Thread(target=hook.serve_forever, daemon=True).start()
    stack = Stack(args.bin)
    try:
        targets = [stack.probe("--seed", str(i + 1))[1] for i in range(args.probes)]
        _, exporter = stack.exporter(os.path.join(folder, "snmp_exporter/snmp.yml"))
        if args.shipped_alertmanager:
            with open(os.path.join(folder, "alertmanager/alertmanager.yml")) as f:
                am_config = re.sub(r"url: http://[^\s]+", f"url: http://127.0.0.1:{hook.server_port}/", f.read())
        else:
            am_config = NEUTRAL_ALERTMANAGER.format(port=hook.server_port)
        _, alertmanager = stack.alertmanager(am_config)
        stack.wait_ready(alertmanager)

        with open(stack.path("probes.yml"), "w") as f:
            f.write("- targets: [" + ", ".join(f"'{t}'" for t in targets) + "]\n")
        with open(os.path.join(folder, "prometheus/prometheus.yml")) as f:
            config = f.read()
        config = (config.replace("/usr/share/vimbo/prometheus/", os.path.join(folder, "prometheus/"))
                  .replace("/etc/prometheus/vimbo-probes/*.yml", stack.path("probes.yml"))
                  .replace("127.0.0.1:9116", exporter).replace("127.0.0.1:9093", alertmanager))
        if "alertmanagers:" not in config:
            config += f"\nalerting:\n  alertmanagers:\n    - static_configs:\n        - targets: ['{alertmanager}']\n"
        _, prometheus = stack.prometheus("prometheus", config)
        stack.wait_ready(prometheus)

        time.sleep(args.minutes * 60)
        with Hook.lock:
            counts = dict(Hook.counts)
        firing = stack.query(prometheus, 'count by (alertname) (ALERTS{alertstate="firing"})')
        print(f"{args.probes} drifting probes for {args.minutes:g} min, monitoring files of {folder}, "
              f"{'shipped' if args.shipped_alertmanager else 'one notification per alert'} Alertmanager routing")
        for name in sorted({n for n, _ in counts}):
            print(f"  {name}: {counts.get((name, 'firing'), 0)} firing, {counts.get((name, 'resolved'), 0)} resolved")
        print(f"  notifications in all: {sum(counts.values())}")
        print("  firing at the end: " + (", ".join(f"{s['metric']['alertname']} {s['value'][1]}" for s in firing) or "none"))
        return 0
    finally:
        stack.close()
        hook.shutdown()


if __name__ == "__main__":
    sys.exit(main())
