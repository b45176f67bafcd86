"""Shared by the Python scripts that meet a simulated probe (the monitoring
benchmarks, the wire seeds): net-snmp kept out of system folders, and a
simulator started on a loopback port that the system chose."""
import os
import subprocess


def isolated_env(scratch):
    """The environment with net-snmp reading and writing SCRATCH only, and no MIB module loaded."""
    return dict(os.environ, SNMPCONFPATH=scratch, SNMP_PERSISTENT_DIR=scratch, MIBS="")


def start_sim(program, env, *options, host="127.0.0.1"):
    """Starts the simulator PROGRAM on a free port of HOST; returns (process, port)."""
    sim = subprocess.Popen([program, "--listen", f"{host}:0", *options],
                           stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=env, text=True)
    line = sim.stdout.readline().strip()  # "listening on udp:HOST:PORT"
    if not line.startswith("listening on "):
        sim.kill()
        sim.wait()
        raise RuntimeError(f"the simulator did not start: {' '.join(options) or 'no options'}")
    return sim, int(line.rsplit(":", 1)[1])
