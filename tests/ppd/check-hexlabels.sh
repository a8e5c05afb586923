#!/bin/bash
# Usage: check-hexlabels.sh MODEL VARIANT
# The variant must write every tray label in hexadecimal and, once those
# labels are decoded, be the model byte for byte.
set -u
model=$1
variant=$2
failed=0

plain=$(grep -c -E '^\*InputSlot Tray[0-7]/[^<]' "$variant")
if [ "$plain" != 0 ]; then
  echo "FAULT: $plain tray labels of the variant are not hexadecimal"
  failed=1
fi
if ! perl -pe 's{^(\*InputSlot Tray[0-7]/)<([0-9A-Fa-f]+)>:}{$1 . pack("H*", $2) . ":"}e' "$variant" |
     cmp -s - "$model"; then
  echo "FAULT: the variant with its labels decoded differs from the model"
  failed=1
fi
exit $failed
