#!/bin/sh
# Usage: check-apart.sh NM LIBRARY -- PROGRAM...
# LIBRARY holds what the programs do not call, kept for callers outside
# them: fails, naming each, when a program holds a function LIBRARY defines
# (it was linked in, or moved back into a library the programs link).
nm=$1
library=$2
shift 3
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
"$nm" --defined-only "$library" | awk '$2 == "T" { print $3 }' | sort -u > "$work/kept"
[ -s "$work/kept" ] || { echo "FAULT: $library defines no function"; exit 1; }
faults=0
for program in "$@"; do
  "$nm" --defined-only "$program" | awk '{ print $3 }' | sort -u > "$work/held"
  for symbol in $(comm -12 "$work/kept" "$work/held"); do
    echo "FAULT: $program holds $(c++filt "$symbol" 2>/dev/null || echo "$symbol")"
    faults=1
  done
done
[ $faults = 0 ] && echo "PASS: $(wc -l < "$work/kept") functions, in none of $*"
exit $faults
