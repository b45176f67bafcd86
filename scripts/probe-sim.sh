# Sourced by the shell scripts that meet a simulated probe (the demo, the
# measurements, the monitoring checks): net-snmp kept out of system folders,
# and a simulator started on a loopback port that the system chose.

# isolate_net_snmp DIR: net-snmp's libraries and tools read and write DIR only,
# and load no MIB module.
isolate_net_snmp() { export SNMPCONFPATH="$1" SNMP_PERSISTENT_DIR="$1" MIBS=; }

# start_sim PROGRAM OUT LISTEN [OPTIONS...]: starts the simulator PROGRAM on
# LISTEN (port 0: a free one) in the background, its standard output in OUT;
# sets sim_pid, and sim_port once it listens. Returns 1 when it has not said
# "listening on ..." within 5 s.
start_sim() {
  local program=$1 out=$2 listen=$3 line
  shift 3
  "$program" --listen "$listen" "$@" >"$out" &
  sim_pid=$!
  sim_port=
  for _ in $(seq 50); do
    line=$(head -n 1 "$out")
    case $line in
      "listening on "*) sim_port=${line##*:}; return 0 ;;
    esac
    kill -0 "$sim_pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}
