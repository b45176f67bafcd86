#!/usr/bin/env bash
# Builds everything and runs every test through ctest. Exits non-zero when a test fails.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
# net-snmp's tools and libraries must not touch system folders during tests.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export SNMPCONFPATH="$scratch" SNMP_PERSISTENT_DIR="$scratch" MIBS=
ctest --test-dir build --output-on-failure -j"$(nproc)"
