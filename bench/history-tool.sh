#!/bin/sh
# vimbo-history on a synthetic probe-year: the time and the peak resident
# memory of the JSON and CSV exports and of the report.
#   bench/history-tool.sh build/bin
set -eu
bin=${1:-build/bin}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$bin/bench_year_store" "$work/history.sqlite"
printf 'store: %s MB\n' "$(($(stat -c %s "$work/history.sqlite") / 1000000))"
measure() {
  label=$1
  shift
  /usr/bin/time -f '%e %M' -o "$work/time" "$bin/vimbo-history" --history "$work/history.sqlite" "$@" >"$work/out"
  read -r seconds kb <"$work/time"
  printf '%-58s %6s s  peak RSS %5d MB  output %5d MB\n' "$label" "$seconds" "$((kb / 1024))" \
    "$(($(stat -c %s "$work/out") / 1000000))"
}
measure "export --since 366d --resolution 1m --format json" export --since 366d --resolution 1m --format json
measure "export --since 366d --resolution 1m (CSV)" export --since 366d --resolution 1m
measure "export --since 8d --format json (5 s buckets)" export --since 8d --format json
measure "report --since 366d" report --since 366d
measure "report --since 366d --by day" report --since 366d --by day
measure "report --since 366d --by month --format json" report --since 366d --by month --format json
