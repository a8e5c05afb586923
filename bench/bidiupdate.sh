#!/bin/bash
# Benchmark of bidiupdate: the wall time of "bidiupdate -A" against a
# simulated printer with 100 media (and trays, finishers and colour
# profiles), compared with a shell loop of snmpbulkwalk -Cr100 over the same
# 68 column walks against the same agent.
#
# Usage: bench/bidiupdate.sh BUILD_DIR [RUNS]
#   BUILD_DIR holds bidi/bidiupdate-testroot (build it in Release for
#   figures worth quoting: the preset ci-release-gcc, in
#   build/ci-release-gcc); RUNS (default 5) runs of each side are timed
#   and averaged.
set -euo pipefail

build=${1:?usage: bench/bidiupdate.sh BUILD_DIR [RUNS]}
runs=${2:-5}
here=$(cd "$(dirname "$0")/.." && pwd)
program=$(realpath "$build/bidi/bidiupdate-testroot")
[ -x "$program" ] || { echo "no $program: build the bidiupdate-testroot target first" >&2; exit 2; }
command -v snmpbulkwalk >/dev/null || { echo "snmpbulkwalk is missing (Debian package: snmp)" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/bidiupdate-bench.XXXXXX")
chmod 0711 "$work"  # the simulator runs as nobody
mkdir -p "$work/printer" "$work/root/etc/cups/ppd" "$work/root/tmp" "$work/root/usr/bin/Tavorinex"
trap '"$here/scripts/simprinter" stop "$work/printer"; rm -rf "$work"' EXIT
export TAVORINEX_TEST_ROOT=$work/root
port=$("$here/scripts/simprinter" start "$here/tests/printers/media-100-trays-a" "$work/printer")
host=127.0.0.1:$port

# The columns that bidiupdate -A walks, in its order: the media table, the
# colour profile table once per profile type, the finisher tables with the
# input table for the option update, and the input table for the trays.
media=1.3.6.1.4.1.46739.4.2.2.2.1
profiles=1.3.6.1.4.1.46739.4.2.3.1.1
inputs=1.3.6.1.2.1.43.8.2.1
columns=()
for c in 2 3 4 8 9 10 7 5 6 11 12 13 14 15 16 39 40 $(seq 17 38) 42 43 44 45 46 47; do
  columns+=("$media.$c")
done
for _ in 1 2 3 4 5 6 7; do columns+=("$profiles.3" "$profiles.2"); done
columns+=(1.3.6.1.2.1.43.33.1.1.3 1.3.6.1.2.1.43.30.1.1.2 1.3.6.1.2.1.43.30.1.1.3)
for _ in 1 2; do columns+=("$inputs.13" "$inputs.2" "$inputs.12"); done

update() {
  cp "$here/ppd/TavorinexArcM750XLS.ppd" "$work/root/etc/cups/ppd/Q.ppd"
  "$program" -A Q "$host"
}

walks() {
  for column in "${columns[@]}"; do
    snmpbulkwalk -v2c -c vexhol -Cr100 -On "$host" "$column" >/dev/null
  done
}

# Seconds (with fractions) that RUNS runs of a command take, per run.
per_run() {
  local start end
  start=$(date +%s%N)
  for _ in $(seq "$runs"); do "$@" || true; done
  end=$(date +%s%N)
  awk -v ns=$((end - start)) -v n="$runs" 'BEGIN { printf "%.3f", ns / 1e9 / n }'
}

# One counted run first: the walks bidiupdate makes must be the loop's.
echo "LEVEL=FULL" > "$work/root/tmp/QZ5182R064Log.ini"
status=0
update || status=$?
counted=$(grep -c "getDataFromTable:BEGIN" "$work/root/tmp/QZ5182R064Log.log")
rm -f "$work/root/tmp/QZ5182R064Log.ini" "$work/root/tmp/QZ5182R064Log.log"
echo "bidiupdate -A exit status: $status; column walks: $counted (shell loop: ${#columns[@]})"
[ "$counted" = "${#columns[@]}" ] || echo "warning: the shell loop does not walk the same columns" >&2

program_time=$(per_run update)
loop_time=$(per_run walks)
echo "bidiupdate -A:                 ${program_time} s per run ($runs runs)"
echo "snmpbulkwalk loop, same walks: ${loop_time} s per run ($runs runs)"
awk -v p="$program_time" -v l="$loop_time" \
  'BEGIN { printf "ratio (loop / bidiupdate):     %.2f\n", l / p }'
