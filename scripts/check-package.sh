#!/usr/bin/env bash
# Builds the Debian packages from a configured build tree into a scratch
# folder and checks them as Debian would: lintian (no error or warning that
# an override with a reason does not cover), the AppStream metadata, the
# desktop entries, the manual pages' presence and the console's user unit.
# Usage: scripts/check-package.sh BUILD_DIR
# Exit 77 (a skip for ctest) when the checking tools are not installed.
set -euo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$(dirname "$0")/.." && pwd)
for tool in cpack lintian appstreamcli desktop-file-validate dpkg-deb; do
  command -v "$tool" >/dev/null || { echo "no $tool here: run scripts/install-deps.sh"; exit 77; }
done
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

(cd "$build" && cpack -B "$scratch" >"$scratch/cpack.log" 2>&1) || { cat "$scratch/cpack.log"; exit 1; }
debs=("$scratch"/*.deb)
names=$(for d in "${debs[@]}"; do dpkg-deb -f "$d" Package; done | sort | tr '\n' ' ')
[ "$names" = "libzemtraatl-dev libzemtraatl1 vimbo-manager vimbo-monitoring " ] || { echo "packages made: $names"; exit 1; }

findings=$(lintian --tag-display-limit 0 "${debs[@]}" 2>&1 | grep -E '^[EW]: ' || true)
if [ -n "$findings" ]; then
  echo "lintian:"; echo "$findings"; exit 1
fi

appstreamcli validate --no-net "$source/data/org.quintrel.VimboManager.metainfo.xml"
desktop-file-validate "$source/data/vimboManager.desktop"
desktop-file-validate "$source/data/vimbo-console.desktop"
contents=$(dpkg-deb -c "$scratch"/vimbo-manager_*.deb)
dpkg-deb -x "$scratch"/vimbo-manager_*.deb "$scratch/root"
dpkg-deb -e "$scratch"/vimbo-manager_*.deb "$scratch/control"
for file in usr/bin/vimbo-console usr/share/applications/vimbo-console.desktop \
            usr/lib/systemd/user/vimbo-console.service; do
  grep -q " \./$file\$" <<<"$contents" || { echo "vimbo-manager has no $file"; exit 1; }
done
# The console's unit runs it without a window and is left for the user to enable:
# nothing in the package links it into a target or runs systemctl.
unit="$scratch/root/usr/lib/systemd/user/vimbo-console.service"
grep -qx 'ExecStart=vimbo-console --headless' "$unit" || { echo "vimbo-console.service does not run --headless"; exit 1; }
grep -qx 'Restart=on-failure' "$unit" || { echo "vimbo-console.service is not restarted on failure"; exit 1; }
if grep -q '\.wants/' <<<"$contents" || grep -rqsE 'systemctl|deb-systemd' "$scratch/control"; then
  echo "vimbo-manager enables vimbo-console.service by itself"; exit 1
fi
for page in vimboManager vimbo-snmp vimbo-canplan vimboProbeSim vimbo-console; do
  grep -q "usr/share/man/man1/$page.1.gz" <<<"$contents" || { echo "no manual page for $page"; exit 1; }
  # Each page teaches where files are, what the environment changes and what the exit status means.
  text=$(zcat "$scratch/root/usr/share/man/man1/$page.1.gz")
  for section in NAME SYNOPSIS DESCRIPTION FILES ENVIRONMENT "EXIT STATUS"; do
    grep -qx "\.SH \"\?$section\"\?" <<<"$text" || { echo "$page.1 has no $section section"; exit 1; }
  done
done
zcat "$scratch/root/usr/share/man/man1/vimbo-snmp.1.gz" | grep -q '^\.SH THE PROBE.S OBJECTS' ||
  { echo "vimbo-snmp.1 does not list the probe's objects"; exit 1; }
zcat "$scratch/root/usr/share/man/man1/vimboManager.1.gz" | grep -q '^\.SH EXPORT FORMATS' ||
  { echo "vimboManager.1 does not give the export formats"; exit 1; }
text=$(zcat "$scratch/root/usr/share/man/man1/vimbo-console.1.gz")
for section in "THE PROBE LIST" SIGNALS; do
  grep -qx "\.SH $section" <<<"$text" || { echo "vimbo-console.1 has no $section section"; exit 1; }
done
monitoring=$(dpkg-deb -c "$scratch"/vimbo-monitoring_*.deb)
for file in usr/share/snmp/mibs/VIMBO-PROBE-MIB.txt usr/share/vimbo/prometheus/snmp.yml \
            usr/share/vimbo/prometheus/vimbo-rules.yml usr/share/vimbo/prometheus/vimbo-alerts.yml \
            usr/share/vimbo/prometheus/vimbo-availability.yml \
            usr/share/vimbo/prometheus/prometheus.yml; do
  grep -q "$file" <<<"$monitoring" || { echo "vimbo-monitoring has no $file"; exit 1; }
done
echo "packages $names: lintian clean, metadata valid, manual pages present and whole"
