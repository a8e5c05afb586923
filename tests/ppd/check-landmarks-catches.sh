#!/bin/bash
# Usage: check-landmarks-catches.sh PPD CHECKER
# Breaks the PPD in the ways that would derail an update, one at a time, and
# expects the landmark checker to reject every broken copy.
set -u
ppd=$1
checker=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

# $1 names the fault; the rest is a sed program that introduces it.
expect_rejected() {
  local name=$1
  shift
  sed "$@" "$ppd" > "$work/broken.ppd"
  if cmp -s "$ppd" "$work/broken.ppd"; then
    echo "NOT APPLIED: $name"
    failed=1
  elif "$checker" "$work/broken.ppd" > "$work/out"; then
    echo "NOT CAUGHT: $name"
    failed=1
  fi
}

expect_rejected "constraints end line missing" -e '/^\*% Media Constraints END/d'
expect_rejected "default page size twice" -e '1a *% *DefaultPageSize: Letter'
expect_rejected "paper dimensions behind the imageable area" \
  -e 's/^\*DefaultPaperDimension:/*DefaultPaperDim:/' -e '/^\*% ========== Output Bin/i *DefaultPaperDimension: TavorinexLetter'
expect_rejected "BY default before SH default" \
  -e 's/DefaultSH: /DefaultXX: /' -e 's/DefaultBY: /DefaultSH: /' -e 's/DefaultXX: /DefaultBY: /'
expect_rejected "LCT without XE71002" -e '/^\*LCT XE71002\//d'
expect_rejected "punch pattern missing" -e '/^\*Punch RingLL\//d'
expect_rejected "no booklet output bin" -e '/^\*OutputBin Booklet\//d'
expect_rejected "tray 7 missing" -e '/^\*InputSlot Tray7\//d'
expect_rejected "tray labelled otherwise" -e 's|^\*InputSlot Tray2/Tray 2:|*InputSlot Tray2/Cassette 2:|'
expect_rejected "colour default not None" -e 's/^\*DefaultGrayInputText: None/*DefaultGrayInputText: Neutral/'
expect_rejected "None choice without *End" -e '/^\*DefaultCMYKInputText/,/^\*CloseUI/{/^\*End/d}'
expect_rejected "input slot set up first" -e 's/^\*OrderDependency: 20 AnySetup \*InputSlot/*OrderDependency: 5 AnySetup *InputSlot/'
expect_rejected "JCL in the PPD" -e '1a *JCLBegin: "<1B>%-12345X@PJL JOB<0A>"'
expect_rejected "another filter" -e 's/ 0 psfilter"/ 0 pstoraster"/'
exit $failed
