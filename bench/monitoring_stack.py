"""Debian's monitoring binaries as plain processes on loopback, for the benchmarks.

Simulated probes, the SNMP exporter, Prometheus (server or agent) and
Alertmanager, each on a free 127.0.0.1 port with its own folder under one
scratch folder, all stopped by close(). Alertmanager runs in a private mount
namespace where the unpacked package's /usr/share is laid over the system's,
since Debian's binary reads its default template from there.
"""
import json, os, shutil, signal, socket, subprocess, sys, tempfile, time, urllib.parse, urllib.request

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(ROOT, "scripts"))
import probesim  # noqa: E402
CACHE = os.path.join(ROOT, ".cache/monitoring/root")
TOOLS = os.path.join(CACHE, "usr/bin")
TICK = os.sysconf("SC_CLK_TCK")


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICK


def rss_mib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024
    return 0.0


def get_json(url, timeout=30):
    with urllib.request.urlopen(url, timeout=timeout) as answer:
        return json.load(answer)


class Stack:
    def __init__(self, bin_dir=os.path.join(ROOT, "build/bin")):
        if not os.path.exists(os.path.join(TOOLS, "prometheus")):
            raise SystemExit("run scripts/fetch-monitoring.sh first")
        self.bin = bin_dir
        self.scratch = tempfile.mkdtemp()
        self.env = probesim.isolated_env(self.scratch)
        self.processes = []

    def path(self, name):
        return os.path.join(self.scratch, name)

    def _start(self, argv, **kwargs):
        kwargs.setdefault("stdout", subprocess.DEVNULL)
        kwargs.setdefault("stderr", subprocess.DEVNULL)
        process = subprocess.Popen(argv, env=self.env, **kwargs)
        self.processes.append(process)
        return process

    def probe(self, *options, host="127.0.0.1"):
        """A simulator on a free port of HOST; returns (process, "HOST:PORT")."""
        sim, port = probesim.start_sim(os.path.join(self.bin, "vimboProbeSim"), self.env, *options, host=host)
        self.processes.append(sim)
        return sim, f"{host}:{port}"

    def exporter(self, snmp_yml):
        port = free_port()
        process = self._start([os.path.join(TOOLS, "prometheus-snmp-exporter"), "--config.file=" + snmp_yml,
                               f"--web.listen-address=127.0.0.1:{port}"])
        return process, f"127.0.0.1:{port}"

    def prometheus(self, name, config_text, *flags):
        port = free_port()
        config = self.path(name + ".yml")
        with open(config, "w") as f:
            f.write(config_text)
        storage = "--storage.agent.path=" if "--enable-feature=agent" in flags else "--storage.tsdb.path="
        process = self._start([os.path.join(TOOLS, "prometheus"), "--config.file=" + config,
                               storage + self.path(name + "-data"), f"--web.listen-address=127.0.0.1:{port}", *flags],
                              stderr=open(self.path(name + ".log"), "w"))
        return process, f"127.0.0.1:{port}"

    def alertmanager(self, config_text):
        port = free_port()
        config = self.path("alertmanager.yml")
        with open(config, "w") as f:
            f.write(config_text)
        script = (f'mount -t overlay overlay -o lowerdir={CACHE}/usr/share:/usr/share /usr/share && '
                  f'exec {TOOLS}/prometheus-alertmanager --config.file={config} --storage.path={self.path("am-data")} '
                  f'--web.listen-address=127.0.0.1:{port} --cluster.listen-address=')
        process = self._start(["unshare", "-m", "--propagation", "private", "sh", "-c", script],
                              stderr=open(self.path("alertmanager.log"), "w"))
        return process, f"127.0.0.1:{port}"

    def query(self, address, promql):
        url = f"http://{address}/api/v1/query?" + urllib.parse.urlencode({"query": promql})
        return get_json(url)["data"]["result"]

    def wait_ready(self, address, path="/-/ready", seconds=30):
        until = time.time() + seconds
        while time.time() < until:
            try:
                with urllib.request.urlopen(f"http://{address}{path}", timeout=2):
                    return
            except OSError:
                time.sleep(0.2)
        raise SystemExit(f"{address}{path} never answered")

    def close(self):
        for p in self.processes:
            if p.poll() is None:
                p.send_signal(signal.SIGTERM)
        for p in self.processes:
            try:
                p.wait(timeout=10)
            except subprocess.TimeoutExpired:
                p.kill()
        shutil.rmtree(self.scratch, ignore_errors=True)
