#!/bin/bash
# Usage: check-punch-units.sh PPD CUPSTESTPPD
# Each punch unit offers the hole patterns of its name and no other: for
# every unit and pattern, cupstestppd reports a conflict between the two as
# defaults exactly when the unit cannot punch the pattern (both directions
# of the constraint), and never for the patterns it can. No unit punches for
# ring binding.
set -u
ppd=$1
cupstestppd=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

declare -A holes=([False]="" [XH7100NA]="2 3" [XH7100EU]="2 4" [XH7100SC]="4")
patterns=$(sed -n 's|^\*Punch \([^/ ]*\)/.*|\1|p' "$ppd")
[ "$(echo $patterns)" = "None 2LP 2LL 2TP 2TL 3LP 3LL 3TP 3TL 4LP 4LL 4TP 4TL RingLP RingLL" ] ||
  { echo "FAULT: unexpected *Punch choices:" $patterns; exit 1; }

for unit in False XH7100NA XH7100EU XH7100SC; do
  for pattern in $patterns; do
    sed -e "s/^\*DefaultPU: .*/*DefaultPU: $unit/" -e "s/^\*DefaultPunch: .*/*DefaultPunch: $pattern/" \
      "$ppd" > "$work/case.ppd"
    report=$("$cupstestppd" -W filters "$work/case.ppd" 2>&1)
    conflicts=0
    grep -q -F "\"PU $unit\" conflicts with \"Punch $pattern\"" <<< "$report" && conflicts=$((conflicts + 1))
    grep -q -F "\"Punch $pattern\" conflicts with \"PU $unit\"" <<< "$report" && conflicts=$((conflicts + 1))
    makes=no
    [ "$pattern" = None ] && makes=yes
    for n in ${holes[$unit]}; do [[ $pattern == "$n"* ]] && makes=yes; done
    if [ "$makes" = yes ] && [ "$conflicts" != 0 ]; then
      echo "FAULT: $unit is constrained against $pattern, which it punches"
      failed=1
    elif [ "$makes" = no ] && [ "$conflicts" != 2 ]; then
      echo "FAULT: $unit and $pattern: $conflicts of the 2 constraint directions"
      failed=1
    fi
  done
done
exit $failed
