#!/usr/bin/env python3
"""What the recording rules and alerts cost Prometheus at many probes.

A synthetic SNMP exporter on loopback answers the shipped scrape example's
/snmp requests for PROBES made-up probes (never contacted: their names only
label the series) with what the real exporter gives for the project's module:
the 61 series of the current module, or with --old the 50 of the module
before the flags were decoded in it (flags, name and versions as text
labels). Debian's Prometheus scrapes them all every 15 s with the rules and
alerts of MONITORING_DIR, and after MINUTES the script reads Prometheus's own
timing of each rule group, from when every group has evaluated twice: the
longest single evaluation of all groups together, and the mean. A
benchmark, not a test; loopback only.

    bench/monitoring-rules-cost.py [--probes 1000] [--minutes 3] [--monitoring monitoring] [--old] [--rules] [--targets] [--no-rules]
"""
import argparse, copy, http.server, json, os, random, sys, threading, time, urllib.parse, urllib.request

import yaml

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from monitoring_stack import ROOT, Stack, cpu_seconds, rss_mib  # noqa: E402

OBJECTS = ["Surveyed", "Frequency", "Power", "Mer", "Vber", "PowerAlarm", "PowerWarning"]


def exposition(index, old, labelled=False):
    rnd = random.Random(index)
    lines = ["snmp_scrape_duration_seconds 0.004", "snmp_scrape_packets_retried 0", "snmp_scrape_packets_sent 50",
             "snmp_scrape_pdus_returned 50", "snmp_scrape_walk_duration_seconds 0.0039"]
    name = f"SITE-{index:04d}"
    # About one probe in ten with a warning or an alarm, as a network would have.
    flags = rnd.choice(["0000"] * 18 + ["0008", "0800"])
    if old:
        lines += [f'vimboName{{vimboName="{name}"}} 1', 'vimboIpn{vimboIpn="IPN-0001"} 1',
                  'vimboVersion{vimboVersion="v01.02.03"} 1', f'vimboAlarmFlags{{vimboAlarmFlags="{flags}"}} 1']
    else:
        hexed = "0x" + name.encode().hex().upper()
        lines += [f'vimboName{{vimboName="{hexed}"}} 1', 'vimboIpn{vimboIpn="0x49504E2D30303031"} 1',
                  'vimboVersion{vimboVersion="0x7630312E30322E3033"} 1']
        bits = int(flags, 16)
        for slot in range(6):
            lines.append(f"vimboAlarmFlagsSlot{slot}Warning {bits >> slot & 1}")
            lines.append(f"vimboAlarmFlagsSlot{slot}Alarm {bits >> (8 + slot) & 1}")
    lines += ["vimboMerAlarmThreshold 20", "vimboMerWarningThreshold 25",
              "vimboVberAlarmThreshold 1000", "vimboVberWarningThreshold 100"]
    for slot in range(6):
        values = [1 if slot < 4 else 0, (474 + 8 * slot) * 1000000, 5000 + rnd.randint(-50, 50),
                  3000 + rnd.randint(-50, 50), rnd.randint(1, 50), 40, 45]
        lines += [f"vimboSlot{slot}{obj} {v}" for obj, v in zip(OBJECTS, values)]
    if labelled:  # every series as the probe's own scrape would label it, with that scrape's own series
        own = f'job="vimbo-probes",instance="site-{index:04d}.example:161",module="vimbo_probe",exporter="127.0.0.1:9116"'
        lines = [f"up{{{own}}} 1", f"scrape_samples_scraped{{{own}}} {len(lines)}"] + [
            (line.replace("{", "{" + own + ",", 1) if "{" in line else line.replace(" ", "{" + own + "} ", 1)) for line in lines]
    return "\n".join(lines) + "\n"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--probes", type=int, default=1000)
    parser.add_argument("--minutes", type=float, default=3)
    parser.add_argument("--monitoring", default=os.path.join(ROOT, "monitoring"))
    parser.add_argument("--rules", action="store_true", help="also the last evaluation time of each rule")
    parser.add_argument("--targets", action="store_true",
                        help="one scrape target a probe, as the example has it, instead of one exposition of all probes")
    parser.add_argument("--no-rules", action="store_true",
                        help="no rule files: Prometheus's CPU for the scrapes alone, to take from a run with them")
    parser.add_argument("--old", action="store_true", help="the exposition of the module before the flags were decoded in it")
    args = parser.parse_args()
    folder = os.path.abspath(args.monitoring)

    # Made once: the server's own work must not weigh on the Prometheus it feeds.
    answers = [exposition(i, args.old).encode() for i in range(args.probes)]
    everything = b"".join(exposition(i, args.old, labelled=True).encode() for i in range(args.probes))

    class Exporter(http.server.BaseHTTPRequestHandler):
        def do_GET(self):
            url = urllib.parse.urlparse(self.path)
            if url.path == "/snmp":
                target = urllib.parse.parse_qs(url.query)["target"][0]
                data = answers[int(target.split("-")[1].split(".")[0])]
            elif url.path == "/all":
                data = everything
            else:
                data = b"snmp_packets_total 12345\n"
            self.send_response(200)
            self.send_header("Content-Type", "text/plain; version=0.0.4")
            self.send_header("Content-Length", str(len(data)))
            self.end_headers()
            self.wfile.write(data)

        def log_message(self, *a):
            pass

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Exporter)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    exporter = f"127.0.0.1:{server.server_port}"
    stack = Stack()
    try:
        with open(os.path.join(folder, "prometheus/prometheus.yml")) as f:
            config = yaml.safe_load(f)
        config["rule_files"] = [] if args.no_rules else [
            os.path.join(folder, "prometheus", os.path.basename(r)) for r in config["rule_files"]]
        config.pop("alerting", None)
        jobs = {job["job_name"]: job for job in config["scrape_configs"]}
        probes = copy.deepcopy(jobs["vimbo-probes"])
        probes.pop("file_sd_configs")
        probes["static_configs"] = [{"targets": [f"site-{i:04d}.example:161" for i in range(args.probes)]}]
        probes["params"]["exporter"] = [exporter]
        exporters = copy.deepcopy(jobs["snmp-exporter"])
        exporters["static_configs"] = [{"targets": [exporter]}]
        # By default one scrape of every probe's series, labelled as their own
        # scrapes would be (honor_labels keeps them): the 1,000 scrapes' work
        # would otherwise weigh on the rules' timing on this small machine.
        everyone = {"job_name": "synthetic", "honor_labels": True, "metrics_path": "/all",
                    "scrape_timeout": "10s", "static_configs": [{"targets": [exporter]}]}
        config["scrape_configs"] = [probes, exporters] if args.targets else [everyone, exporters]
        _, prometheus = stack.prometheus("prometheus", yaml.safe_dump(config))
        stack.wait_ready(prometheus)
        pid = stack.processes[-1].pid

        # Each rule group's figures by the group's name, with a prefix for
        # all but its last duration; the head's series under "series".
        prefixes = {"prometheus_rule_group_last_duration_seconds{": "",
                    "prometheus_rule_group_interval_seconds{": "every ",
                    "prometheus_rule_group_last_evaluation_timestamp_seconds{": "at ",
                    "prometheus_rule_group_iterations_total{": "runs "}

        def own_metrics():
            with urllib.request.urlopen(f"http://{prometheus}/metrics", timeout=30) as answer:
                text = answer.read().decode()
            groups = {}
            for line in text.splitlines():
                prefix = next((p for m, p in prefixes.items() if line.startswith(m)), None)
                if prefix is not None:
                    name = line.split('rule_group="', 1)[1].split('"', 1)[0].split(";")[-1]
                    groups[prefix + name] = float(line.rsplit(" ", 1)[1])
                elif line.startswith("prometheus_tsdb_head_series "):
                    groups["series"] = float(line.split()[1])
            intervals.update({k[len("every "):]: v for k, v in groups.items() if k.startswith("every ")})
            return groups

        intervals = {}

        # A group's first evaluation creates every series it records, which
        # costs about twice what each later one does: a Prometheus that runs
        # for weeks pays it once. The readings start when every group of up
        # to a minute has evaluated twice (the five-minute group's window is
        # nearly empty in a short run anyway).
        time.sleep(40)
        warm = time.time()
        while not args.no_rules and time.time() - warm < 200:
            counts = own_metrics()
            if intervals and all(counts.get("runs " + n, 0) >= 2 for n, every in intervals.items() if every <= 60):
                break
            time.sleep(5)
        warmed = time.time() - warm + 40
        cpu0, start = cpu_seconds(pid), time.time()
        samples = []
        while time.time() - start < args.minutes * 60:
            sample = own_metrics()
            sample["now"] = time.time()
            samples.append(sample)
            time.sleep(15)
        cpu = (cpu_seconds(pid) - cpu0) / (time.time() - start) * 100
        names = sorted(intervals)
        totals = [sum(sample.get(n, 0) for n in names) for sample in samples]
        up = stack.query(prometheus, 'count(up{job="vimbo-probes"} == 1)')
        print(f"{args.probes} synthetic probes ({'old' if args.old else 'current'} module), rules and alerts of {folder}, "
              f"every 15 s for {args.minutes:g} min; {up[0]['value'][1] if up else 0} up, "
              f"{int(samples[-1]['series'])} series in the head; readings from {warmed:.0f} s after the start")
        print(f"  one evaluation of all rule groups ({len(samples)} readings, 15 s apart): longest {max(totals) * 1000:.0f} ms, "
              f"mean {sum(totals) / len(totals) * 1000:.0f} ms")
        # The same readings with each group weighed by how often it runs: the
        # rule work of an average 15 s, once-a-minute groups counting a
        # quarter.
        work = [sum(sample.get(n, 0) * min(1, 15 / intervals.get(n, 15)) for n in names) for sample in samples]
        print(f"  rule work per 15 s (each group's last evaluation x 15 s / its interval): longest {max(work) * 1000:.0f} ms, "
              f"mean {sum(work) / len(work) * 1000:.0f} ms")
        # What Prometheus evaluated in each 15 s: only the groups whose last
        # evaluation began in the 15 s before the reading, so a once-a-minute
        # group counts in the window it ran in, with whatever ran beside it.
        ran = [sum(sample.get(n, 0) for n in names if sample["now"] - sample.get("at " + n, 0) < 15) for sample in samples]
        print(f"  rule work in each 15 s (the groups that ran in the 15 s before each reading): longest {max(ran) * 1000:.0f} ms, "
              f"mean {sum(ran) / len(ran) * 1000:.0f} ms")
        for n in names:
            print(f"    {n} (every {intervals.get(n, 15):g} s): longest {max(sample.get(n, 0) for sample in samples) * 1000:.0f} ms")
        print(f"  Prometheus: {cpu:.1f} % of a core ({cpu * 150:.0f} ms of CPU each 15 s), RSS {rss_mib(pid):.0f} MiB")
        if args.rules:
            # Each reading's groups, to tell a costly group from a pause of
            # the whole process (every group slow at once).
            short = {n: "".join(w[0] for w in n.split("-")[1:]) or n for n in names}
            for sample in samples:
                print("    reading: " + " ".join(f"{short[n]} {sample.get(n, 0) * 1000:.0f}" for n in names))
            with urllib.request.urlopen(f"http://{prometheus}/api/v1/rules", timeout=30) as answer:
                groups = json.load(answer)["data"]["groups"]
            # A series recorded by several rules (one a slot, say) is one line:
            # their times added, and how many rules they are.
            for group in groups:
                times = {}
                for rule in group["rules"]:
                    times.setdefault(rule["name"], []).append(rule["evaluationTime"])
                for name, each in times.items():
                    rules = f" ({len(each)} rules)" if len(each) > 1 else ""
                    print(f"    {sum(each) * 1000:8.1f} ms  {group['name']}: {name}{rules}")
        return 0
    finally:
        stack.close()
        server.shutdown()


if __name__ == "__main__":
    sys.exit(main())
