#!/usr/bin/env python3
"""One SNMP exporter and one Prometheus scraping many simulated probes.

Starts PROBES simulators (drifting values) on loopback, Debian's SNMP exporter
with the project's module and Prometheus with the project's rules and alerts,
on free loopback ports with a temporary folder, scraping every 15 s for
MINUTES minutes. Then it reports: whether every scrape succeeded, the 99th
percentile of a probe's scrape time (as Prometheus timed it, and as the
exporter timed its SNMP work), and the CPU and memory of the exporter, of
Prometheus and of the simulators. A benchmark, not a test; loopback only.

    bench/monitoring-scale.py [--probes 100] [--minutes 10] [--bin build/bin]
"""
import argparse, json, os, shutil, signal, subprocess, sys, tempfile, time, urllib.parse, urllib.request

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from monitoring_stack import ROOT, TOOLS, cpu_seconds, free_port, probesim, rss_mib  # noqa: E402


def percentile(values, p):
    values = sorted(values)
    return values[min(len(values) - 1, int(round(p / 100 * (len(values) - 1))))]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--probes", type=int, default=100)
    parser.add_argument("--minutes", type=float, default=10)
    parser.add_argument("--bin", default=os.path.join(ROOT, "build/bin"))
    args = parser.parse_args()
    if not os.path.exists(os.path.join(TOOLS, "prometheus")):
        sys.exit("run scripts/fetch-monitoring.sh first")

    scratch = tempfile.mkdtemp()
    env = probesim.isolated_env(scratch)
    processes = []
    try:
        probes = []
        for i in range(args.probes):
            sim, port = probesim.start_sim(os.path.join(args.bin, "vimboProbeSim"), env, "--seed", str(i + 1))
            processes.append(sim)
            probes.append((sim, f"127.0.0.1:{port}"))

        exporter_port, prometheus_port = free_port(), free_port()
        exporter = subprocess.Popen([os.path.join(TOOLS, "prometheus-snmp-exporter"),
                                     "--config.file=" + os.path.join(ROOT, "monitoring/snmp_exporter/snmp.yml"),
                                     f"--web.listen-address=127.0.0.1:{exporter_port}"],
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        processes.append(exporter)
        with open(os.path.join(scratch, "probes.yml"), "w") as f:
            f.write("- targets: [" + ", ".join(f"'{t}'" for _, t in probes) + "]\n")
        with open(os.path.join(ROOT, "monitoring/prometheus/prometheus.yml")) as f:
            config = f.read()
        config = (config.replace("/usr/share/vimbo/prometheus/", os.path.join(ROOT, "monitoring/prometheus/"))
                  .replace("/etc/prometheus/vimbo-probes/*.yml", os.path.join(scratch, "probes.yml"))
                  .replace("127.0.0.1:9116", f"127.0.0.1:{exporter_port}"))
        with open(os.path.join(scratch, "prometheus.yml"), "w") as f:
            f.write(config)
        prometheus = subprocess.Popen([os.path.join(TOOLS, "prometheus"), "--config.file=" + os.path.join(scratch, "prometheus.yml"),
                                       "--storage.tsdb.path=" + os.path.join(scratch, "data"),
                                       f"--web.listen-address=127.0.0.1:{prometheus_port}"],
                                      stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        processes.append(prometheus)

        def query(promql):
            url = f"http://127.0.0.1:{prometheus_port}/api/v1/query?" + urllib.parse.urlencode({"query": promql})
            with urllib.request.urlopen(url, timeout=30) as answer:
                return json.load(answer)["data"]["result"]

        time.sleep(5)
        start = time.time()
        cpu0 = {name: cpu_seconds(p.pid) for name, p in (("exporter", exporter), ("prometheus", prometheus))}
        sims_cpu0 = sum(cpu_seconds(p.pid) for p, _ in probes)
        peak = {"exporter": 0.0, "prometheus": 0.0}
        while time.time() - start < args.minutes * 60:
            peak["exporter"] = max(peak["exporter"], rss_mib(exporter.pid))
            peak["prometheus"] = max(peak["prometheus"], rss_mib(prometheus.pid))
            time.sleep(5)
        elapsed = time.time() - start
        cpu = {name: (cpu_seconds(p.pid) - cpu0[name]) / elapsed * 100
               for name, p in (("exporter", exporter), ("prometheus", prometheus))}
        sims_cpu = (sum(cpu_seconds(p.pid) for p, _ in probes) - sims_cpu0) / elapsed * 100
        sims_rss = sum(rss_mib(p.pid) for p, _ in probes)

        window = f"{int(args.minutes * 60)}s"
        scrapes = sum(float(s["value"][1]) for s in query(f'count_over_time(up{{job="vimbo-probes"}}[{window}])'))
        good = sum(float(s["value"][1]) for s in query(f'sum_over_time(up{{job="vimbo-probes"}}[{window}])'))
        durations = [float(x[1]) for s in query(f'scrape_duration_seconds{{job="vimbo-probes"}}[{window}]') for x in s["values"]]
        snmp = [float(x[1]) for s in query(f'snmp_scrape_duration_seconds{{job="vimbo-probes"}}[{window}]') for x in s["values"]]
        with urllib.request.urlopen(f"http://127.0.0.1:{prometheus_port}/metrics", timeout=30) as answer:
            series = next(int(float(line.split()[1])) for line in answer.read().decode().splitlines()
                          if line.startswith("prometheus_tsdb_head_series "))
        print(f"{args.probes} probes, scraped every 15 s for {elapsed / 60:.1f} min")
        print(f"scrapes: {int(scrapes)}, succeeded: {int(good)}")
        print(f"a probe's scrape, p99: {percentile(durations, 99) * 1000:.1f} ms as Prometheus timed it "
              f"(p50 {percentile(durations, 50) * 1000:.1f} ms, max {max(durations) * 1000:.1f} ms); "
              f"the exporter's SNMP work p99 {percentile(snmp, 99) * 1000:.1f} ms")
        print(f"exporter: {cpu['exporter']:.2f} % of a core, peak RSS {peak['exporter']:.0f} MiB")
        print(f"prometheus: {cpu['prometheus']:.2f} % of a core, peak RSS {peak['prometheus']:.0f} MiB, "
              f"{series} series in the head")
        print(f"simulators: {sims_cpu:.2f} % of a core together, RSS {sims_rss:.0f} MiB together")
        return 0 if scrapes > 0 and good == scrapes else 1
    finally:
        for p in processes:
            p.send_signal(signal.SIGTERM)
        for p in processes:
            try:
                p.wait(timeout=10)
            except subprocess.TimeoutExpired:
                p.kill()
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
