#!/usr/bin/env bash
# Fetches what the monitoring checks need into .cache/monitoring (never into
# the repository, never installed as a service):
#   mibs/  the SMIv2 base modules SNMPv2-SMI, SNMPv2-TC and SNMPv2-CONF, from
#          the npm registry's net-snmp package at a pinned version, checked
#          against its pinned integrity;
#   root/  Debian 12's prometheus, prometheus-snmp-exporter and
#          prometheus-alertmanager packages,
#          unpacked with dpkg-deb -x: the binaries run as plain processes on
#          loopback ports the tests choose, and nothing is enabled or started.
# Idempotent: what is already there is kept.
set -euo pipefail
cd "$(dirname "$0")/.."
cache=.cache/monitoring
mkdir -p "$cache"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

npm_package=net-snmp@3.20.0
npm_integrity='sha512-4Cp8ODkzgVXjUrIQFfL9Vo6qVsz+8OuAjUvkRGsSZOKSpoxpy9YWjVgNs+/a9N4Hd9MilIy90Zhw3EZlUUZB6A=='
if [ ! -f "$cache/mibs/SNMPv2-CONF" ]; then
  if ! command -v npm >/dev/null; then  # a machine with its own Node.js keeps it
    sudo=""; [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get install -y -qq --no-install-recommends npm >&2
  fi
  (cd "$scratch" && npm pack --silent "$npm_package" >/dev/null)
  tarball=("$scratch"/net-snmp-*.tgz)
  got="sha512-$(openssl dgst -sha512 -binary "${tarball[0]}" | base64 -w0)"
  [ "$got" = "$npm_integrity" ] || { echo "fetch-monitoring: $npm_package is not the pinned tarball" >&2; exit 1; }
  mkdir -p "$scratch/x" "$cache/mibs"
  tar -xzf "${tarball[0]}" -C "$scratch/x" package/lib/mibs/SNMPv2-SMI.mib package/lib/mibs/SNMPv2-TC.mib \
    package/lib/mibs/SNMPv2-CONF.mib
  for module in SNMPv2-SMI SNMPv2-TC SNMPv2-CONF; do
    cp "$scratch/x/package/lib/mibs/$module.mib" "$cache/mibs/$module"
  done
fi

packages=(prometheus prometheus-snmp-exporter prometheus-alertmanager)
if [ ! -x "$cache/root/usr/bin/prometheus-snmp-exporter" ] || [ ! -x "$cache/root/usr/bin/prometheus" ] ||
   [ ! -x "$cache/root/usr/bin/prometheus-alertmanager" ]; then
  mkdir "$scratch/debs"
  chmod 777 "$scratch/debs"  # apt's download user writes there
  (cd "$scratch/debs" && apt-get download "${packages[@]}" >/dev/null 2>&1) ||
    { apt-get update -qq && (cd "$scratch/debs" && apt-get download "${packages[@]}" >/dev/null); }
  for deb in "$scratch"/debs/*.deb; do
    dpkg-deb -x "$deb" "$cache/root"
  done
fi
