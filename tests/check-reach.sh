#!/bin/sh
# Usage: check-reach.sh CXX [+HEADER|-HEADER]... -- COMPILER-FLAG...
# Compiles, with the flags (a target's include folders), a file that only
# includes HEADER: one marked + must compile, one marked - must not be found.
# Prints one line per fault and exits 1 if there is any.
cxx=$1
shift
probes=
while [ $# -gt 0 ] && [ "$1" != -- ]; do
  probes="$probes $1"
  shift
done
shift
# The probe lies in a folder of its own, where no header is next to it.
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
faults=0
for probe in $probes; do
  header=${probe#?}
  printf '#include "%s"\n' "$header" > "$work/probe.cpp"
  out=$("$cxx" -std=c++20 -fsyntax-only "$@" "$work/probe.cpp" 2>&1)
  compiled=$?
  case $probe in
    +*) [ $compiled = 0 ] || { echo "FAULT: $header does not compile: $out"; faults=1; } ;;
    -*) if [ $compiled = 0 ]; then
          echo "FAULT: $header is in reach"; faults=1
        elif ! echo "$out" | grep -q -e "$header: No such file" -e "'$header' file not found"; then
          echo "FAULT: $header fails otherwise than not found: $out"; faults=1
        fi ;;
  esac
done
[ $faults = 0 ] && echo "PASS:$probes"
exit $faults
