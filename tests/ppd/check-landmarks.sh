#!/bin/bash
# Usage: check-landmarks.sh PPD
# Checks that the PPD holds every line that bidiupdate's updates search for,
# each once and in the order in which one forward pass reads them, and every
# choice that the updates and the media constraints refer to.  Prints one
# line per fault and exits 1 if there is any.
set -u
ppd=$1
faults=0
fault() { echo "FAULT: $*"; faults=1; }

# Sets line to the number of the only line that holds the text $1 (0 if none or several).
find_once() {
  local count
  count=$(grep -c -F -- "$1" "$ppd")
  line=0
  if [ "$count" != 1 ]; then
    fault "\"$1\" occurs $count times"
    return
  fi
  line=$(grep -n -F -- "$1" "$ppd" | cut -d: -f1)
}

# Each text occurs once, each after the one before.
in_order() {
  local previous=0 previous_text=""
  for text in "$@"; do
    find_once "$text"
    [ "$line" = 0 ] && continue
    [ "$line" -gt "$previous" ] || fault "\"$text\" stands before \"$previous_text\""
    previous=$line
    previous_text=$text
  done
}

# Prints the first line at or after line $2 that starts with the text $1.
first_from() {
  awk -v from="$2" -v text="$1" 'NR >= from && index($0, text) == 1 { print; exit }' "$ppd"
}

# The option $1 offers each of the choices that follow.
has_choices() {
  local option=$1
  shift
  local offered
  offered=$'\n'$(grep -E "^\*$option [^/:]+/" "$ppd" | cut -d/ -f1)$'\n'
  for choice in "$@"; do
    [[ $offered == *$'\n'"*$option $choice"$'\n'* ]] || fault "*$option has no choice $choice"
  done
}

# Media update, then media constraints.
in_order "*DefaultPageSize:" "*CloseUI: *PageSize" "*DefaultPageRegion:" \
  "*CloseUI: *PageRegion" "*DefaultPaperDimension:" "*DefaultImageableArea" \
  "*OpenUI *OutputBin" "*OutputBin Booklet/" "*CloseUI: *OutputBin"
in_order "*% Media Constraints BEGIN" "*% Media Constraints END"
for option in PageSize PageRegion PaperDimension ImageableArea; do
  has_choices "$option" TavorinexLetter TavorinexA4 TavorinexLegal TavorinexLedger TavorinexA3
  [ "$(grep -c "^\*$option " "$ppd")" = 5 ] || fault "*$option does not hold exactly the five predefined media"
done
has_choices Duplex DuplexNoTumble DuplexTumble
has_choices Punch 2LP 2LL 2TP 2TL 3LP 3LL 3TP 3TL 4LP 4LL 4TP 4TL RingLP RingLL
has_choices Staple 1LVP 1LVL 1LHP 1LHL 1LDP 1LDL 2LP 2LL 1TVP 1TVL 1THP 1THL 1TDP 1TDL 2TP 2TL

# Input tray update: the entries it writes itself follow the automatic one.
find_once "InputSlot Tray0"
tray0=$line
if [ "$tray0" != 0 ]; then
  expected=$(for n in 1 2 3 4 5 6 7; do
    echo "*InputSlot Tray$n/Tray $n: \"<< /MediaPosition $n >> setpagedevice\""
  done; echo "*CloseUI: *InputSlot")
  [ "$(sed -n "$((tray0 + 1)),$((tray0 + 8))p" "$ppd")" = "$expected" ] ||
    fault "Tray1 to Tray7 and the *CloseUI line do not follow the Tray0 entry"
fi

# Installable options update: the nine defaults in category order.
[ "$(grep -m1 -F InstallableOptions "$ppd")" = "*OpenGroup: InstallableOptions/Installable Options" ] ||
  fault "the first mention of InstallableOptions is not the opening of its group"
in_order "*OpenGroup: InstallableOptions" "DefaultTandum: " "DefaultSH: " "DefaultBY: " "DefaultLCT: " \
  "DefaultBK: " "DefaultCI: " "DefaultPU: " "DefaultBinder: " "DefaultSR: "
has_choices Tandum False XA7100 XB7100
has_choices SH False XC4380
has_choices BY False XD7100
has_choices LCT False XE7100 XE71001 XE71002
has_choices BK False XF7110
has_choices CI False XG7110
has_choices PU False XH7100NA XH7100EU XH7100SC
has_choices Binder False XJ7100 XK7100
has_choices SR False XL71001 XL71002 XM7100 XM71001 XM71002

# Colour profile update: default None, then the None choice closed by *End
# before the option's own *CloseUI.
for option in RGBInputImage RGBInputText CMYKInputImage CMYKInputText \
              GrayInputImage GrayInputText PrinterText PrinterImage; do
  find_once "*Default$option"
  n=$line
  [ "$n" = 0 ] && continue
  [ "$(sed -n "${n}p" "$ppd")" = "*Default$option: None" ] || fault "*Default$option is not None"
  case "$(sed -n "$((n + 1))p" "$ppd")" in
    "*$option None/"*) ;;
    *) fault "the first choice of *$option is not None" ;;
  esac
  end=$(awk -v from="$n" 'NR > from && /^\*End/ { print NR; exit }' "$ppd")
  close=$(awk -v from="$n" 'NR > from && /\*CloseUI/ { print NR; exit }' "$ppd")
  [ -n "$end" ] && [ -n "$close" ] && [ "$end" -lt "$close" ] ||
    fault "the None choice of *$option is not closed by *End before *CloseUI"
  [ "$(first_from "*CloseUI" "$n")" = "*CloseUI: *$option" ] ||
    fault "the *CloseUI after *Default$option is not that of *$option"
done

# The filter reads the page size or region before the input slot.
order_of() { sed -n "s/^\*OrderDependency: \([0-9.]*\) AnySetup \*$1\$/\1/p" "$ppd"; }
for option in PageSize PageRegion; do
  awk -v a="$(order_of "$option")" -v b="$(order_of InputSlot)" 'BEGIN { exit !(a != "" && b != "" && a + 0 < b + 0) }' ||
    fault "*$option is not set up before *InputSlot"
done

# The filter wraps the job in PJL itself.
grep -q -x -F '*cupsFilter: "application/vnd.cups-postscript 0 psfilter"' "$ppd" || fault "no *cupsFilter line for psfilter"
grep -q -E '^\*JCL(Begin|ToPSInterpreter|End)' "$ppd" && fault "JCL keywords would make CUPS write PJL too"

exit $faults
